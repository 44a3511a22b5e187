// Helpers for the in-process tests of the program's windows: a clean program state per test and
// a way to make a system call fail on demand.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <functional>
#include <string>
#include <vector>

#include "app/mag.h"
#include "app/mag_rules.h"
#include "forms/application.h"
#include "win32/seams.h"
#include "win_support.h"

namespace testing_support {

inline constexpr wchar_t kSettingsKeyPath[] = L"SOFTWARE\\Tarnwick\\Ocellus";

inline void deleteSettings() { ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath); }

// Stores a settings value as text, as the program writes it; false when the registry refused.
inline bool storeSetting(const wchar_t* name, const std::wstring& text) {
    return ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKeyPath, name, REG_SZ, text.c_str(),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// No stored settings, the program's globals at their start values, 96 pixels per inch, debug output
// dropped and every error box handed to onBox instead of shown.
inline void resetProgramState(std::function<void(const wchar_t* text)> onBox) {
    deleteSettings();
    ocellus::ZoomCode = ocellus::kDefaultZoomCode;
    ocellus::ZoomTag = 0;
    ocellus::ReadoutFormat = 1;
    ocellus::OnTopFlag = ocellus::InterpolateFlag = ocellus::CursorFlag = false;
    ocellus::GrabBusy = false;
    win32::seams().pixelsPerInch = [](HWND) { return 96; };
    win32::seams().outputDebugString = [](const wchar_t*) {};
    win32::seams().messageBox = [onBox = std::move(onBox)](HWND, const wchar_t* text, const wchar_t*, UINT) {
        onBox(text);
        return IDOK;
    };
}

// Puts the system calls back at the end of a test that replaced some of them.
struct DefaultSeamsAtEnd {
    ~DefaultSeamsAtEnd() { win32::restoreDefaultSeams(); }
};

inline void restoreProgramState() {
    win32::restoreDefaultSeams();
    deleteSettings();
}

// A test of the main window: a clean program state before, the error boxes collected instead of
// shown, and the window (which saves at its end) and the settings gone after.
class ProgramWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetProgramState([this](const wchar_t* text) { boxes.emplace_back(text); });
    }
    void TearDown() override {
        form.reset();
        restoreProgramState();
    }
    ocellus::TForm1& create(bool show = true) {
        form = forms::makeForm<ocellus::TForm1>(nullptr);
        if (show) form->show();
        return *form;
    }
    // The window shown at the screen's top left, away from the test patterns, with the pointer elsewhere.
    ocellus::TForm1& createAtTopLeft(POINT pointer) {
        create();
        form->setBounds(0, 0, form->width(), form->height());
        movePointer(pointer);
        return *form;
    }

    forms::FormPtr<ocellus::TForm1> form;
    std::vector<std::wstring> boxes;
};

// Points this program's import of module!function at replacement for the object's lifetime, so a
// system call can be made to fail where no seam reaches it.
class ImportPatch {
public:
    ImportPatch(const wchar_t* module, const char* function, std::uintptr_t replacement) {
        HMODULE target = ::GetModuleHandleW(module);
        const auto original = target ? reinterpret_cast<std::uintptr_t>(::GetProcAddress(target, function)) : 0;
        if (!original) return;
        original_ = original;
        auto* base = reinterpret_cast<std::uint8_t*>(::GetModuleHandleW(nullptr));
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (!dir.VirtualAddress) return;
        for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d)
            for (auto* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); t->u1.Function; ++t)
                if (static_cast<std::uintptr_t>(t->u1.Function) == original) {
                    write(&t->u1.Function, replacement);
                    slots_.push_back(&t->u1.Function);
                }
    }
    ~ImportPatch() {
        for (auto* slot : slots_) write(slot, original_);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    bool active() const { return !slots_.empty(); }

private:
    template <class Slot>
    static void write(Slot* slot, std::uintptr_t value) {
        DWORD old = 0;
        ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
        *slot = static_cast<Slot>(value);
        ::VirtualProtect(slot, sizeof *slot, old, &old);
    }
    std::uintptr_t original_ = 0;
    std::vector<decltype(IMAGE_THUNK_DATA{}.u1.Function)*> slots_;
};

}  // namespace testing_support
