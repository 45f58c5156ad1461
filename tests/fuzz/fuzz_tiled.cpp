// The Tiled map readers (XML and JSON) and the checks the loader makes after them. The
// first byte picks the format, so one corpus feeds both.
#include <cstdint>
#include <string>

#include "course/course.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    MapFormat format = data[0] & 1 ? MapFormat::Tmj : MapFormat::Tmx;
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        ParseTiledCourse(text, "fuzz.tmx", format);
        CheckCourse("fuzz.tmx");
    } catch (const FileError&) {
    }
    return 0;
}
