// The program's entry point: picks the backend and hands over to the game.
#include <cstring>
#include <string>

#include "app/app.h"

int main(int argc, char** argv) {
    bool headless = false, session = false;
    for (int i = 1; i < argc; ++i) {
        headless = headless || std::strcmp(argv[i], "--headless") == 0;
        session = session || std::strcmp(argv[i], "--session") == 0;
    }
    if (headless) return session ? RunSession(argc, argv) : RunHeadlessSimulation(argc, argv);
    SetCommandLine(argc, argv);
    return Main();
}
