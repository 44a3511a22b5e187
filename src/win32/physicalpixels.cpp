#include "win32/physicalpixels.h"

#include "win32/systemfunction.h"

namespace win32 {
namespace {

using SetThreadContextFn = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);

// Bound at run time, once, so that the program still starts on systems without it.
SetThreadContextFn setThreadContext() {
    static const auto fn = user32Function<SetThreadContextFn>("SetThreadDpiAwarenessContext");
    return fn;
}

}  // namespace

// The first per-monitor awareness, not the second: the two differ only in how windows created under
// them scale, and none is created here; the first exists wherever per-thread awareness does.
PhysicalPixelsScope::PhysicalPixelsScope() noexcept {
    if (const SetThreadContextFn set = setThreadContext()) previous_ = set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
}

PhysicalPixelsScope::~PhysicalPixelsScope() {
    if (previous_) setThreadContext()(previous_);
}

}  // namespace win32
