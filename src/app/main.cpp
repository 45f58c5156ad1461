// The program's entry point: picks the backend and hands over to the game.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "app/app.h"

int main(int argc, char** argv) {
    // Whatever escapes the game's own handling still ends with a line saying what, rather
    // than an abort.
    GuardStandardStreams();
    try {
        if (IsCourseCommand(argc, argv)) return RunCourseCommand(argc, argv);
        bool headless = false, session = false;
        for (int i = 1; i < argc; ++i) {
            headless = headless || std::strcmp(argv[i], "--headless") == 0;
            session = session || std::strcmp(argv[i], "--session") == 0;
        }
        if (headless) return session ? RunSession(argc, argv) : RunHeadlessSimulation(argc, argv);
        SetCommandLine(argc, argv);
        return Main();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gravel-ghosts: %s\n", e.what());
        return 2;
    }
}
