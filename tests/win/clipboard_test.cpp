// The clipboard copies where they can fail: nothing to copy, and the system refusing the data.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/mag.h"
#include "app_support.h"
#include "forms/application.h"
#include "base/exception.h"
#include "win32/handles.h"
#include "win_support.h"

using ocellus::TForm1;
using testing_support::gdiObjectCount;

namespace {

// Someone else may hold the clipboard for a moment (the X selection bridge); retry briefly.
bool openClipboard() {
    for (int i = 0; i < 50; ++i) {
        if (::OpenClipboard(nullptr)) return true;
        ::Sleep(10);
    }
    return false;
}

// Puts a private format on the clipboard, so that a copy which empties it shows.
void placeStaleData() {
    ASSERT_TRUE(openClipboard());
    ::EmptyClipboard();
    win32::GlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, 8));
    if (block && ::SetClipboardData(::RegisterClipboardFormatW(L"OcellusTestStale"), block.get())) block.release();
    ::CloseClipboard();
}

int clipboardFormatCount() {
    if (!openClipboard()) return -1;
    const int n = ::CountClipboardFormats();
    ::CloseClipboard();
    return n;
}

HANDLE refusedClipboardData = nullptr;
HANDLE WINAPI refuseClipboardData(UINT, HANDLE data) {
    refusedClipboardData = data;
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

class ClipboardTest : public testing_support::ProgramWindowTest {
protected:
    void SetUp() override {
        ProgramWindowTest::SetUp();
        create(false);
        // Captures run only when a test asks for one.
        form->Timer1->setEnabled(false);
        form->Timer2->setEnabled(false);
        testing_support::movePointer({200, 150});
    }
};

TEST_F(ClipboardTest, ZeroSizedPicturesEmptyTheClipboardSilently) {
    form->Image1->setBounds(6, 7, 20, 20);  // smaller than 30 pixels: no area at x15
    ocellus::ZoomCode = 30;
    placeStaleData();
    const int gdiBefore = gdiObjectCount();
    form->copyunmagimagetoclipboard();
    EXPECT_EQ(clipboardFormatCount(), 0);

    form->Image1->picture().setSize(0, 0);
    placeStaleData();
    form->copymagimagetoclipboard();
    EXPECT_EQ(clipboardFormatCount(), 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_LE(gdiObjectCount(), gdiBefore);
}

TEST_F(ClipboardTest, RefusedDataIsFreedAndOnlyTheTextFailureIsReported) {
    form->show();
    form->GrabScreen(200, 150);
    testing_support::ImportPatch patch(L"user32.dll", "SetClipboardData",
                                       reinterpret_cast<std::uintptr_t>(&refuseClipboardData));
    ASSERT_TRUE(patch.active());

    // Bitmaps: the result is ignored, but the refused copy must not stay behind.
    form->copymagimagetoclipboard();
    ASSERT_NE(refusedClipboardData, nullptr);
    EXPECT_EQ(::GetObjectType(refusedClipboardData), 0u);
    refusedClipboardData = nullptr;
    form->copyunmagimagetoclipboard();
    ASSERT_NE(refusedClipboardData, nullptr);
    EXPECT_EQ(::GetObjectType(refusedClipboardData), 0u);
    const int before = gdiObjectCount();
    for (int i = 0; i < 50; ++i) {
        form->copymagimagetoclipboard();
        form->copyunmagimagetoclipboard();
    }
    EXPECT_EQ(gdiObjectCount(), before);
    EXPECT_TRUE(boxes.empty());

    // Text: reported, and the block is freed.
    refusedClipboardData = nullptr;
    EXPECT_THROW(form->copyrgbtexttoclipboard(), ocellus::EOutOfResources);
    ASSERT_NE(refusedClipboardData, nullptr);
    EXPECT_EQ(::GlobalFlags(refusedClipboardData), static_cast<UINT>(GMEM_INVALID_HANDLE));
    forms::guarded([&] { form->copyrgbtexttoclipboard(); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"Out of system resources.");
    EXPECT_TRUE(openClipboard()) << "the clipboard was left open";
    ::CloseClipboard();
}

}  // namespace
