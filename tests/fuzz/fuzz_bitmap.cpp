// The bitmap loader, from the file read to the decoded pixels.
#include "fuzz_support.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = WriteScratch(data, size, ".bmp");
    try {
        Surface picture = LoadPicture(path, 1024, 1024);
        if (picture.Width <= 0 || picture.Height <= 0 ||
            picture.Pixels.size() != std::size_t(picture.Width) * picture.Height)
            __builtin_trap();
    } catch (const FileError&) {
    }
    return 0;
}
