#include <fstream>
#include <sstream>

#include "platform/platform.h"

namespace {
std::string DataFolder = ".";
}

const std::string& AppPath() { return DataFolder; }
void SetAppPath(const std::string& folder) { DataFolder = folder; }

std::string GamePath(const std::string& literal) {
    std::string path = literal;
    for (char& c : path)
        if (c == '\\') c = '/';
    return DataFolder + path;
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError("Cannot open " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    if (!out) throw FileError("Cannot write " + path);
    out << text;
}

bool FileExists(const std::string& path) { return static_cast<bool>(std::ifstream(path)); }
void MakeFolder(const std::string&) {}
