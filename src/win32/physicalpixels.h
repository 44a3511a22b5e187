// Screen reads in physical pixels on every monitor, whatever its scale.
#pragma once

#include <windows.h>

namespace win32 {

// For its lifetime the calling thread is per-monitor aware, so the pointer position, display size
// and window coordinates it reads are in the same physical pixels as what a desktop DC reads, also
// on a monitor scaled unlike the primary one. The thread's previous awareness comes back at the
// end, on every path. Where the system has no per-thread awareness (before Windows 10 1607) it
// does nothing: there the manifest's system awareness is all there is.
// Keep it around the reads only: windows created or moved inside it would take its awareness.
class PhysicalPixelsScope {
public:
    PhysicalPixelsScope() noexcept;
    ~PhysicalPixelsScope();
    PhysicalPixelsScope(const PhysicalPixelsScope&) = delete;
    PhysicalPixelsScope& operator=(const PhysicalPixelsScope&) = delete;

private:
    DPI_AWARENESS_CONTEXT previous_ = nullptr;
};

}  // namespace win32
