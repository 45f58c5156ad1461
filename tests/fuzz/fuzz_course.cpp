// The course parser and the checks the loader makes after it.
#include <cstdint>
#include <string>

#include "course/course.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        ParseCourse(text, "fuzz.ddt");
        CheckCourse("fuzz.ddt");
    } catch (const FileError&) {
    }
    return 0;
}
