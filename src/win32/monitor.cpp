#include "win32/monitor.h"

#include <vector>

#include "win32/physicalpixels.h"

namespace win32 {
namespace {

struct Layout {
    std::vector<RECT> monitors;
    bool known = false;
};

Layout& layout() {
    static Layout kept;
    return kept;
}

BOOL CALLBACK addMonitor(HMONITOR, HDC, LPRECT rect, LPARAM data) {
    reinterpret_cast<std::vector<RECT>*>(data)->push_back(*rect);
    return TRUE;
}

const std::vector<RECT>& monitors() {
    Layout& l = layout();
    if (l.known) return l.monitors;
    l.monitors.clear();
    const PhysicalPixelsScope physical;
    ::EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&l.monitors));
    l.known = !l.monitors.empty();
    if (!l.known) l.monitors.push_back(primaryDisplayRect());
    return l.monitors;
}

// How far p lies outside r, squared; 0 inside. Right and bottom edges are exclusive.
long long distanceSquared(POINT p, const RECT& r) {
    const long long dx = p.x < r.left ? r.left - p.x : p.x >= r.right ? p.x - r.right + 1LL : 0;
    const long long dy = p.y < r.top ? r.top - p.y : p.y >= r.bottom ? p.y - r.bottom + 1LL : 0;
    return dx * dx + dy * dy;
}

}  // namespace

RECT primaryDisplayRect() { return {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }

RECT monitorRect(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor && ::GetMonitorInfoW(monitor, &info)) return info.rcMonitor;
    return primaryDisplayRect();
}

RECT monitorNearest(POINT p) {
    const std::vector<RECT>& all = monitors();
    const RECT* best = &all.front();
    for (const RECT& m : all)
        if (distanceSquared(p, m) < distanceSquared(p, *best)) best = &m;
    return *best;
}

std::optional<RECT> monitorMeeting(const RECT& r) {
    std::optional<RECT> best;
    long long bestArea = 0;
    for (const RECT& m : monitors()) {
        RECT common;
        if (!::IntersectRect(&common, &r, &m)) continue;
        const long long area = static_cast<long long>(common.right - common.left) * (common.bottom - common.top);
        if (area > bestArea) {
            bestArea = area;
            best = m;
        }
    }
    return best;
}

void monitorsChanged() noexcept { layout().known = false; }

}  // namespace win32
