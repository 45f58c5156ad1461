// Usage: gg_assetgen --data DIR --out DIR [--contact SHEET.png]
//        gg_assetgen --data DIR --install-extras DIR
#include "assetgen.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <vector>

#include "platform/platform.h"

std::string ReadGeneratedFile(const std::string& path) {
    std::vector<unsigned char> bytes = ReadFileChecked(path, MaxGeneratedFileBytes, "generated file");
    return std::string(bytes.begin(), bytes.end());
}

int main(int argc, char** argv) {
    std::string data = "data", out = ".", contact, extras;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--data") == 0) data = argv[i + 1];
        else if (std::strcmp(argv[i], "--out") == 0) out = argv[i + 1];
        else if (std::strcmp(argv[i], "--contact") == 0) contact = argv[i + 1];
        else if (std::strcmp(argv[i], "--install-extras") == 0) extras = argv[i + 1];
    }
    try {
        // An install takes its career list from here, never from the build's saves/,
        // which may hold the developer's own careers.
        if (!extras.empty()) {
            std::filesystem::create_directories(std::filesystem::path(extras) / "saves");
            GenerateSaves(extras);
            GenerateIcons(data, extras);
            return 0;
        }
        for (const char* folder : {"graphics", "resources", "soundfx", "saves"})
            std::filesystem::create_directories(std::filesystem::path(out) / folder);
        GenerateCarSheet(out);
        GenerateSprites(out);
        GeneratePointers(out);
        GenerateSounds(out);
        GenerateSaves(out);
        if (!contact.empty()) WriteContactSheet(contact);
        GenerateTiles(data, out);
        GenerateCourses(data, out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gg_assetgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
