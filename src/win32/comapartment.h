// The GUI thread's COM apartment: the shell opens links through handlers registered with COM, which
// need a single-threaded apartment on the calling thread and fail quietly without one.
#pragma once

#include <windows.h>

#include <objbase.h>

namespace win32 {

class ComApartment {
public:
    ComApartment() noexcept
        : joined_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (joined_) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool joined_;
};

}  // namespace win32
