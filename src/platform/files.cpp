// Files and folders: the game's data, and the player's careers and screenshots.
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>
#include <thread>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

std::string ProgramFolder() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error || exe.empty()) return ".";
    return exe.parent_path().string();
}

// Where the game's data and the player's own files are. Run from the build, both are the
// program's folder; installed, the data sits in the read-only share/ of the prefix, so the
// careers and screenshots go to the player's data folder instead.
struct Folders {
    std::string Data;
    bool Installed = false;
    std::string User;  // empty when installed: worked out on first use
};

Folders FindFolders() {
    std::string program = ProgramFolder();
    std::error_code error;
    fs::path share = (fs::path(program) / ".." / "share" / "gravel-ghosts").lexically_normal();
    if (fs::is_directory(share / "resources", error)) return {share.string(), true, ""};
    return {program, false, program};
}

Folders& Layout() {
    static Folders folders = FindFolders();
    return folders;
}

// An unset, empty or relative variable counts as not set, as the desktop's rules for these
// variables ask.
std::string AbsoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/') return "";
    return value;
}

std::string PlayerDataFolder() {
    std::string base = AbsoluteFromEnvironment("XDG_DATA_HOME");
    if (base.empty()) {
        std::string home = AbsoluteFromEnvironment("HOME");
        if (home.empty()) {
            if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir &&
                                                              entry->pw_dir[0] == '/')
                home = entry->pw_dir;
        }
        if (home.empty())
            throw FileError(
                "There is no folder to keep careers and screenshots in: neither XDG_DATA_HOME "
                "nor HOME names one.");
        base = (fs::path(home) / ".local" / "share").string();
    }
    return (fs::path(base) / "gravel-ghosts").string();
}

const std::string& UserFolder() {
    Folders& folders = Layout();
    if (folders.User.empty()) folders.User = PlayerDataFolder();
    return folders.User;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string PathUnder(const std::string& root, const std::string& literal) {
    // The game's files were named on a file system that ignores case; ours does not, so
    // each name is looked up as spelt first and then among its folder's entries.
    fs::path path = root;
    std::string name;
    auto step = [&](const std::string& part) {
        if (part.empty() || part == ".") return;
        if (part == "..")
            throw FileError("The name " + literal + " leads outside the game's folders.");
        std::error_code error;
        fs::path exact = path / part;
        if (!fs::exists(exact, error)) {
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

}  // namespace

const std::string& AppPath() { return Layout().Data; }

void SetAppPath(const std::string& folder) { Layout() = {folder, false, folder}; }

std::string GamePath(const std::string& literal) { return PathUnder(Layout().Data, literal); }

std::string SavesFolder() { return PathUnder(UserFolder(), "\\saves"); }

std::string ScreenshotsFolder() { return PathUnder(UserFolder(), "\\screenshots"); }

std::string CustomCoursesFolder() { return PathUnder(UserFolder(), "\\courses"); }

std::vector<std::string> FileNamesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error)) names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
std::string RecordsFolder() { return PathUnder(UserFolder(), "\\records"); }

std::string LocalTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
    return stamp;
}

void PrepareSavesFolder() {
    if (!Layout().Installed) return;
    std::string saves = SavesFolder();
    MakeFolder(saves);
    // The installed saves folder holds what a new player starts with (an empty career
    // list); only what the player's folder lacks is copied, so no career is ever replaced.
    // Another copy of the game may be saving a career meanwhile: what is missing is looked
    // for again under the folder's lock, so that an empty list never replaces its new one.
    std::optional<FolderLock> lock;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(AppPath()) / "saves", error)) {
        if (!entry.is_regular_file(error)) continue;
        std::string target = (fs::path(saves) / entry.path().filename()).string();
        if (FileExists(target)) continue;
        if (!lock) {
            lock.emplace(saves, 3000);
            if (FileExists(target)) continue;
        }
        std::vector<unsigned char> bytes = ReadFileChecked(entry.path().string(), MaxTextFileBytes);
        WriteFileAtomic(target, bytes.data(), bytes.size());
    }
}

namespace {

std::string SystemReason(int error) { return std::strerror(error); }

// Closes a descriptor on every way out of a block.
struct Descriptor {
    int Fd = -1;
    ~Descriptor() {
        if (Fd >= 0) ::close(Fd);
    }
};

bool WriteAll(int fd, const unsigned char* bytes, std::size_t size) {
    while (size > 0) {
        ssize_t done = ::write(fd, bytes, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            if (done == 0) errno = ENOSPC;
            return false;
        }
        bytes += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

}  // namespace

std::vector<unsigned char> ReadFileChecked(const std::string& path, std::size_t maxBytes,
                                           const std::string& what) {
    auto fail = [&](const std::string& problem) -> FileError {
        return FileError("The " + what + " " + PrintableText(path) + " cannot be read: " + problem +
                         ".");
    };
    // Opening without waiting, so that a pipe with no writer cannot hold the game.
    Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.Fd < 0) {
        if (errno == ENOENT) throw fail("it is missing");
        throw fail(SystemReason(errno));
    }
    struct stat info {};
    if (::fstat(file.Fd, &info) != 0) throw fail(SystemReason(errno));
    if (S_ISDIR(info.st_mode)) throw fail("it is a folder, not a file");
    if (!S_ISREG(info.st_mode)) throw fail("it is not a regular file");
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes)
        throw fail("it is " + std::to_string(info.st_size) + " bytes long, more than the " +
                   std::to_string(maxBytes) + " such a file can be");
    std::vector<unsigned char> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t have = 0;
    // Read one byte past the size the file gave, to notice one that grew meanwhile.
    for (;;) {
        if (have == bytes.size()) {
            if (bytes.size() > maxBytes) throw fail("it grew past " + std::to_string(maxBytes) + " bytes");
            bytes.resize(bytes.size() + 4096);
        }
        ssize_t got = ::read(file.Fd, bytes.data() + have, bytes.size() - have);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw fail(SystemReason(errno));
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    if (have > maxBytes) throw fail("it grew past " + std::to_string(maxBytes) + " bytes");
    bytes.resize(have);
    return bytes;
}

std::function<void(const std::string& path)> BeforeAtomicRename;

void WriteFileAtomic(const std::string& path, const void* bytes, std::size_t size,
                     const std::string& what) {
    fs::path target(path);
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    auto fail = [&](const std::string& problem) -> FileError {
        return FileError("The " + what + " " + PrintableText(path) +
                         " cannot be written: " + problem + ".");
    };
    // Renaming over a device or a folder would replace it, not write into it.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        throw fail("it is not a regular file");
    Descriptor file{::mkstemp(temporary.data())};
    if (file.Fd < 0) {
        if (errno == ENOENT) throw fail("its folder is missing");
        throw fail(SystemReason(errno));
    }
    ::fcntl(file.Fd, F_SETFD, FD_CLOEXEC);
    // The name is taken from here on: every failure below must remove it again.
    auto abandon = [&](int error) -> FileError {
        ::close(file.Fd);
        file.Fd = -1;
        ::unlink(temporary.c_str());
        return fail(SystemReason(error));
    };
    if (::fchmod(file.Fd, 0644) != 0) throw abandon(errno);
    if (!WriteAll(file.Fd, static_cast<const unsigned char*>(bytes), size)) throw abandon(errno);
    if (::fsync(file.Fd) != 0) throw abandon(errno);
    int closed = ::close(file.Fd);
    file.Fd = -1;
    if (closed != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        throw fail(SystemReason(error));
    }
    if (BeforeAtomicRename) {
        try {
            BeforeAtomicRename(path);
        } catch (...) {
            ::unlink(temporary.c_str());
            throw;
        }
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        throw fail(SystemReason(error));
    }
    // The rename itself lives in the folder: sync it too, or a power cut may undo it.
    Descriptor dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.Fd >= 0) ::fsync(dir.Fd);
}

std::string ReadFileText(const std::string& path, std::size_t maxBytes) {
    std::vector<unsigned char> bytes = ReadFileChecked(path, maxBytes);
    return std::string(bytes.begin(), bytes.end());
}

void WriteFileText(const std::string& path, const std::string& text) {
    WriteFileAtomic(path, text.data(), text.size());
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

void MakeFolder(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (!error || fs::is_directory(path)) return;
    std::string why = error.message();
    std::error_code ignored;
    if (fs::is_symlink(path, ignored) && !fs::exists(path, ignored))
        why = "it is a link to " + PrintableText(fs::read_symlink(path, ignored).string()) +
              ", which does not exist";
    throw FileError("The folder " + PrintableText(path) + " cannot be created: " + why + ".");
}

std::string SetFileAside(const std::string& path) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, ".%Y-%m-%d-%H%M%S", &local);
    std::string aside = path + stamp;
    // Two set aside within one second keep both.
    for (int n = 2; FileExists(aside); ++n) aside = path + stamp + "-" + std::to_string(n);
    if (::rename(path.c_str(), aside.c_str()) != 0)
        throw FileError("The file " + PrintableText(path) +
                        " cannot be set aside: " + SystemReason(errno) + ".");
    return aside;
}

std::string DataFolderProblem() {
    const std::string& data = AppPath();
    std::error_code error;
    if (!fs::is_directory(data, error))
        return "The game's data folder " + PrintableText(data) + " is missing.";
    // The sounds may go missing (the game plays on silent); without pictures and courses
    // nothing can be shown.
    for (const char* sub : {"\\graphics", "\\resources"}) {
        std::string folder = GamePath(sub);
        if (!fs::is_directory(folder, error))
            return "The game's data folder " + PrintableText(data) + " has no " + (sub + 1) +
                   "/ folder.";
        if (fs::is_empty(folder, error))
            return "The game's data folder " + PrintableText(data) + " has an empty " + (sub + 1) +
                   "/ folder.";
    }
    return "";
}

FolderLock::FolderLock(const std::string& folder, std::uint32_t waitMs) {
    std::string path = (fs::path(folder) / FolderLockName).string();
    // Read-only is all a lock needs, so a folder the player may no longer write into is
    // still locked, and its own error comes from the write that fails.
    Fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (Fd < 0)
        throw FileError("The lock file " + PrintableText(path) +
                        " cannot be made: " + SystemReason(errno) + ".");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (::flock(Fd, LOCK_EX | LOCK_NB) != 0) {
        int why = errno;
        if (why == EINTR) continue;
        if (why != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            ::close(Fd);
            Fd = -1;
            if (why != EWOULDBLOCK)
                throw FileError("The folder " + PrintableText(folder) +
                                " cannot be locked: " + SystemReason(why) + ".");
            throw FileError("The folder " + PrintableText(folder) +
                            " is in use by another copy of the game; try again in a moment.");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

FolderLock::~FolderLock() {
    if (Fd >= 0) ::close(Fd);  // closing lets go of the lock
}

void RemoveAbandonedCopies(const std::string& folder,
                           const std::function<bool(const std::string& name)>& ours) {
    // WriteFileAtomic's copies are "." + name + "." and six letters or digits.
    constexpr std::size_t Tail = 7;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        std::string name = entry.path().filename().string();
        if (name.size() < Tail + 2 || name[0] != '.' || name[name.size() - Tail] != '.') continue;
        if (!std::all_of(name.end() - (Tail - 1), name.end(),
                         [](unsigned char c) { return std::isalnum(c); }))
            continue;
        if (!ours(name.substr(1, name.size() - Tail - 1)) || !entry.is_regular_file(error))
            continue;
        ::unlink(entry.path().c_str());
    }
}

namespace {

// A character from the text at `at`: its length in bytes, and whether it may be shown as
// it is (printable ASCII, or a whole UTF-8 character that is no control character).
std::pair<std::size_t, bool> NextCharacter(std::string_view text, std::size_t at) {
    unsigned char c = static_cast<unsigned char>(text[at]);
    if (c < 0x80) return {1, c >= 0x20 && c != 0x7F};
    int follow = c < 0xC2 ? -1 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : c < 0xF5 ? 3 : -1;
    if (follow < 0 || at + follow >= text.size()) return {1, false};
    for (int k = 1; k <= follow; ++k)
        if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return {1, false};
    // U+0080..U+009F are control characters too; some terminals act on them.
    bool c1 = c == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0;
    if (c1) return {2, false};
    return {static_cast<std::size_t>(follow) + 1, true};
}

void AppendEscaped(std::string& out, std::string_view bytes) {
    static const char Hex[] = "0123456789abcdef";
    for (unsigned char c : bytes) {
        out += "\\x";
        out += Hex[c >> 4];
        out += Hex[c & 15];
    }
}

std::string Printable(std::string_view text, std::size_t maxCharacters) {
    std::string out;
    std::size_t at = 0, count = 0;
    while (at < text.size() && count < maxCharacters) {
        auto [length, shown] = NextCharacter(text, at);
        if (shown)
            out.append(text.substr(at, length));
        else
            AppendEscaped(out, text.substr(at, length));
        at += length;
        ++count;
    }
    if (at < text.size()) out += "...";
    return out;
}

bool StandardOutputClosed = false;

}  // namespace

std::string QuoteInput(std::string_view input) {
    return Printable(input, QuotedInputLength);
}

std::string PrintableText(std::string_view text) {
    return Printable(text, PATH_MAX);
}

void GuardStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
        if (fd == 1) StandardOutputClosed = true;
    }
}

void FlushStandardOutput() {
    bool flushed = std::fflush(stdout) == 0;
    int why = errno;
    if (StandardOutputClosed) throw FileError("Standard output cannot be written: it is closed.");
    if (!flushed) throw FileError("Standard output cannot be written: " + SystemReason(why) + ".");
    if (std::ferror(stdout))
        throw FileError("Standard output cannot be written: some of it was lost.");
}
