// Running another program of the game's own beside it and reading what it says.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/platform.h"

extern char** environ;

std::string ProgramPath(const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error || exe.empty()) return "";
    // Beside the program once installed; in the build the game sits one folder below.
    for (const fs::path& folder : {exe.parent_path(), exe.parent_path().parent_path()}) {
        fs::path candidate = folder / name;
        if (::access(candidate.c_str(), X_OK) == 0 && fs::is_regular_file(candidate, error))
            return candidate.string();
    }
    return "";
}

int RunProgram(const std::vector<std::string>& args, std::string& output) {
    if (args.empty()) return -1;
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Both of its streams come back here; standard input is nothing.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        return -1;
    }
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got > 0) output.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR) break;
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
