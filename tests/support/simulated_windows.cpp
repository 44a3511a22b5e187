// The Windows version the Win32 tests run as: OCELLUS_WINDOWS names it (7, 7-updated, 8.1, 10-1507,
// 10-1607, 10-1703); the system functions it lacks are then missing for the whole run, child runs
// included, which inherit the environment.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "win32/systemfunction.h"

namespace {

[[maybe_unused]] const bool applied = [] {
    using win32::WindowsVersion;
    const char* name = std::getenv("OCELLUS_WINDOWS");
    if (!name || !*name) return false;
    constexpr struct {
        const char* name;
        WindowsVersion version;
    } kVersions[] = {{"7", WindowsVersion::Seven},          {"7-updated", WindowsVersion::SevenUpdated},
                     {"8.1", WindowsVersion::EightOne},     {"10-1507", WindowsVersion::Ten1507},
                     {"10-1607", WindowsVersion::Ten1607},  {"10-1703", WindowsVersion::Ten1703}};
    for (const auto& v : kVersions)
        if (std::strcmp(v.name, name) == 0) {
            win32::simulateWindows(v.version);
            std::printf("simulated Windows: %s\n", name);
            return true;
        }
    std::fprintf(stderr, "OCELLUS_WINDOWS=%s names no Windows version the tests know\n", name);
    std::abort();
}();

}  // namespace
