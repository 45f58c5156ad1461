// The lenient number parse, and the format patterns its results are shown with.
#include <cmath>
#include <cstdint>
#include <string>

#include "numeric/numeric.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    double value = Val(text);
    CInt(value);
    CLng(value);
    CByte(value);
    for (const char* pattern : {"0", "00000", "0.00", "00.0"}) {
        std::string shown = Format(value, pattern);
        if (!std::isnan(value) && shown.empty()) __builtin_trap();
    }
    return 0;
}
