// The icon and cursor loader behind custom mouse pointers.
#include "fuzz_support.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = WriteScratch(data, size, ".cur");
    Form form;
    if (SetMouseIcon(&form, path)) {
        if (form.PointerHotX < 0 || form.PointerHotX >= form.PointerImage.Width ||
            form.PointerHotY < 0 || form.PointerHotY >= form.PointerImage.Height)
            __builtin_trap();
    }
    return 0;
}
