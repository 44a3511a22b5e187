#include "win32/physicalpixels.h"

#include "win32/systemfunction.h"

namespace win32 {

// The first per-monitor awareness, not the second: the two differ only in how windows created under
// them scale, and none is created here; the first exists wherever per-thread awareness does.
PhysicalPixelsScope::PhysicalPixelsScope() noexcept {
    if (const auto set = bound(sys::SetThreadDpiAwarenessContext))
        previous_ = set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
}

PhysicalPixelsScope::~PhysicalPixelsScope() {
    if (previous_) bound(sys::SetThreadDpiAwarenessContext)(previous_);
}

}  // namespace win32
