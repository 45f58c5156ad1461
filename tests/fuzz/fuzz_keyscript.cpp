// The key script read by --input.
#include <cstdint>
#include <string>
#include <vector>

#include "app/app.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ScriptedKey> keys;
    std::string error;
    ParseKeyScript(text, keys, error);
    return 0;
}
