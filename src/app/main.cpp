// The program's entry point: picks the backend and hands over to the game.
#include <cstring>
#include <string>

#include "app/app.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--headless") == 0) return RunHeadlessSimulation(argc, argv);
    SetCommandLine(argc, argv);
    return Main();
}
