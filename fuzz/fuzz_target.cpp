// One libFuzzer target per property of fuzz/properties.h; VOK_FUZZ_PROPERTY names it. A violated
// property is reported and aborts, so libFuzzer keeps the input as a crash.
#include <cstdio>
#include <cstdlib>

#include "fuzz/properties.h"

#ifndef VOK_FUZZ_PROPERTY
#error "VOK_FUZZ_PROPERTY must name a property"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vok::fuzz::Property check = [] {
        const auto property = vok::fuzz::propertyNamed(VOK_FUZZ_PROPERTY);
        if (property == nullptr) {
            std::fprintf(stderr, "no property named %s\n", VOK_FUZZ_PROPERTY);
            std::abort();
        }
        return property;
    }();
    try {
        check(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const vok::fuzz::PropertyViolation& violation) {
        std::fprintf(stderr, "\n%s: property violated: %s\n", VOK_FUZZ_PROPERTY, violation.what());
        std::abort();
    }
    return 0;
}
