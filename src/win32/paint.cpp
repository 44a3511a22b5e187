#include "win32/paint.h"

#include "win32/handles.h"

namespace win32 {

void invalidateUncovered(HWND parent, const RECT& before, const RECT& after) {
    RegionHandle uncovered(::CreateRectRgnIndirect(&before)), covered(::CreateRectRgnIndirect(&after));
    if (parent && uncovered && covered &&
        ::CombineRgn(uncovered.get(), uncovered.get(), covered.get(), RGN_DIFF) > NULLREGION)
        ::RedrawWindow(parent, nullptr, uncovered.get(), RDW_INVALIDATE | RDW_ALLCHILDREN);
}

}  // namespace win32
