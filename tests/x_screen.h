// A private X server for tests that need a real window, and its screen read back as pixels.
#pragma once

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

// A child process that dies with the test that started it; its output goes to outFd, or
// nowhere.
inline pid_t Spawn(const std::vector<std::string>& args, int outFd = -1) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    dup2(outFd >= 0 ? outFd : null, 1);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

inline void Stop(pid_t pid) { pid > 0 && kill(pid, SIGTERM) == 0 && waitpid(pid, nullptr, 0); }

// Xvfb picks a free display itself (-displayfd), so parallel test runs never collide, and
// it dies with the test that started it. DISPLAY points at it for this process and the
// programs it starts.
struct Xvfb {
    pid_t Pid = -1;
    std::string Display;  // empty when Xvfb could not be started

    explicit Xvfb(const char* screen) {
        int fds[2];
        if (std::system("command -v Xvfb >/dev/null 2>&1") != 0 || pipe(fds) != 0) return;
        Pid = Spawn(
            {"Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"},
            fds[1]);
        close(fds[1]);
        pollfd wait{fds[0], POLLIN, 0};
        std::string number;
        char c = 0;
        while (poll(&wait, 1, 15000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (number.empty()) return;
        Display = ":" + number;
        setenv("DISPLAY", Display.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
    }
    ~Xvfb() { Stop(Pid); }
};

// What a shell command prints, or "" when it fails.
inline std::string Output(const std::string& command) {
    std::string text;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
        if (pclose(pipe) != 0) return "";
    }
    return text;
}

// Polls until the condition holds or the time is up: the X server and the game answer in
// their own time.
inline bool Within(int seconds, const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

// A rectangle of the screen (0x00RRGGBB) as the X server shows it, read on a connection of
// our own; empty when it cannot be read. Xlib is looked up at run time: its headers would
// clash with the game's names, so its types stay opaque.
inline Surface ReadScreen(int x, int y, int w, int h) {
    static void* xlib = dlopen("libX11.so.6", RTLD_NOW);
    const auto call = [](const char* name) { return xlib ? dlsym(xlib, name) : nullptr; };
    auto open = (void* (*)(const char*))call("XOpenDisplay");
    auto root = (unsigned long (*)(void*))call("XDefaultRootWindow");
    auto getImage = (void* (*)(void*, unsigned long, int, int, unsigned, unsigned, unsigned long,
                               int))call("XGetImage");
    auto getPixel = (unsigned long (*)(void*, int, int))call("XGetPixel");
    auto destroyImage = (int (*)(void*))call("XDestroyImage");
    auto close = (int (*)(void*))call("XCloseDisplay");
    Surface shot;
    void* display = open && root && getImage && getPixel && destroyImage && close ? open(nullptr)
                                                                                  : nullptr;
    constexpr int ZPixmap = 2;
    if (void* image = display ? getImage(display, root(display), x, y, unsigned(w), unsigned(h),
                                         ~0ul, ZPixmap)
                              : nullptr) {
        shot.Resize(w, h);
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < w; ++col)
                shot.SetPixel(col, row, getPixel(image, col, row) & 0xFFFFFF);
        destroyImage(image);
    }
    if (display) close(display);
    return shot;
}
