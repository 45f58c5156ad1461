#include "platform/platform.h"

Surface LoadPicture(const std::string& path) { throw FileError("Cannot read picture " + path); }
void SavePicture(const Surface&, const std::string& path) {
    throw FileError("Cannot write picture " + path);
}
