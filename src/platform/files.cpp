// Files and folders beside the program.
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

std::string ProgramFolder() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error || exe.empty()) return ".";
    return exe.parent_path().string();
}

std::string& DataFolder() {
    static std::string folder = ProgramFolder();
    return folder;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

const std::string& AppPath() { return DataFolder(); }
void SetAppPath(const std::string& folder) { DataFolder() = folder; }

std::string GamePath(const std::string& literal) {
    // The game's files were named on a file system that ignores case; ours does not, so
    // each name is looked up as spelt first and then among its folder's entries.
    fs::path path = DataFolder();
    std::string name;
    auto step = [&](const std::string& part) {
        if (part.empty() || part == ".") return;
        std::error_code error;
        fs::path exact = path / part;
        if (part != ".." && !fs::exists(exact, error)) {
            for (const auto& entry : fs::directory_iterator(path, error)) {
                std::string candidate = entry.path().filename().string();
                if (SameIgnoringCase(candidate, part)) {
                    path /= candidate;
                    return;
                }
            }
        }
        path = exact;  // missing names keep their spelling: a file about to be created
    };
    for (char c : literal) {
        if (c == '\\' || c == '/') {
            step(name);
            name.clear();
        } else {
            name += c;
        }
    }
    step(name);
    return path.string();
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError("The file " + path + " is missing or cannot be opened.");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw FileError("The file " + path + " could not be read.");
    return text.str();
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw FileError("The file " + path + " cannot be written: the folder is missing or read-only.");
    out << text;
    out.flush();
    if (!out) throw FileError("The file " + path + " could not be written completely.");
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

void MakeFolder(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (error && !fs::is_directory(path))
        throw FileError("The folder " + path + " cannot be created: " + error.message() + ".");
}
