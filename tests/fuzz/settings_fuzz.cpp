// Coverage-guided fuzzing of the settings text rules: registry data decoding and the
// flag and integer conversions. Only the two documented error types are expected.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/settings_rules.h"
#include "base/exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // Small type codes are the interesting ones; keep the rest reachable too.
    const std::uint32_t type = data[0] < 0xF0 ? data[0] % 8u : data[0];
    try {
        const std::wstring text = ocellus::settings::textFromRegistryData(type, data + 1, size - 1, L"Fuzz");
        (void)ocellus::settings::flagFromText(text);
        try {
            if (const auto v = ocellus::settings::integerFromText(text)) {
                if (ocellus::settings::integerFromText(ocellus::settings::integerText(*v)) != v) std::abort();
            }
        } catch (const ocellus::EConvertError&) {
        }
    } catch (const ocellus::ERegistryException&) {
    }
    return 0;
}
