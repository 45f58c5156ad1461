// Start-up of the windowed game.
#include <chrono>
#include <cstdio>
#include <future>

#include "app/app.h"
#include "career/career.h"
#include "frontend/frontend.h"
#include "platform/sdl/windowed.h"
#include "platform/text/ttf_text.h"
#include "sound/sound.h"

std::string StartName;

namespace {

int ArgCount = 0;
char** Args = nullptr;

// The sound buffers belong to the backend's device, so they go first. Returns the exit
// status: a run whose frame statistics did not all reach their file did not do its job.
int ShutDown(int status) {
    std::string lost = StopFrameStats();
    ReleaseSound();
    InstallTextRenderer(nullptr);
    InstallBackend(nullptr);
    if (lost.empty()) return status;
    std::fprintf(stderr, "gravel-ghosts: the frame statistics could not all be written: %s\n",
                 lost.c_str());
    return 1;
}

}  // namespace

void SetCommandLine(int argc, char** argv) {
    ArgCount = argc;
    Args = argv;
}

void StartGame(const GameOptions& options) {
    SoundEnabled = !options.Mute;
    StartName = options.HasName ? options.Name : "";
    StartFrontEnd();
    DriverNameBox->Text = SafeDriverName(StartName);
    // A player whose careers cannot be kept can still race: say so once, up front.
    try {
        PrepareSavesFolder();
    } catch (const FileError& e) {
        std::fprintf(stderr, "gravel-ghosts: %s\n", e.what());
        MsgBox(std::string("Careers cannot be saved. ") + e.what());
    }
}

int Main() {
    GameOptions options;
    if (int status = 0; !OptionsOrExit(ArgCount, Args, options, status)) return status;
    if (!options.DataDir.empty()) SetAppPath(options.DataDir);
    // Without its data the game could show no more than this message, so it says so first.
    std::string dataProblem = DataFolderProblem();
    if (!dataProblem.empty()) std::fprintf(stderr, "gravel-ghosts: %s\n", dataProblem.c_str());
    if (dataProblem.empty() && !options.StatsFile.empty() && !KeepFrameStats(options.StatsFile)) {
        std::fprintf(stderr, "gravel-ghosts: cannot write the frame statistics to %s\n",
                     PrintableText(options.StatsFile).c_str());
        return 2;
    }

    // The first screen waits for the window, the fonts and the sound device; each waits
    // mostly on something else (the X server, font files, the sound server), so they are
    // started side by side. Only the fonts' own thread touches the text library until
    // they are collected.
    auto fonts = std::async(std::launch::async, MakeTtfTextRenderer);
    std::unique_ptr<Backend> backend;
    try {
        backend = MakeWindowedBackend();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gravel-ghosts: %s\n", e.what());
        return 1;
    }
    if (!backend) {
        std::fprintf(stderr, "gravel-ghosts: no window could be opened\n");
        return 1;
    }
    if (!options.Mute) backend->PrepareSoundDevice();
    InstallBackend(backend.get());
    std::unique_ptr<TextRenderer> text = fonts.get();
    if (text) InstallTextRenderer(text.get());
    if (!dataProblem.empty()) {
        MsgBox(dataProblem);
        return ShutDown(1);
    }
    Randomize(static_cast<std::uint64_t>(
        std::chrono::system_clock::now().time_since_epoch().count()));

    // A data file that cannot be read stops the game before anything is written, so
    // saved careers are never touched by a half-loaded one.
    try {
        StartGame(options);
        while (!QuitRequested()) WaitEvents();
    } catch (const FileError& e) {
        MsgBox(e.what());
        std::fprintf(stderr, "gravel-ghosts: %s\n", e.what());
        return ShutDown(1);
    } catch (const std::exception& e) {
        // Anything else (memory, the library) still ends with words rather than an abort.
        std::fprintf(stderr, "gravel-ghosts: %s\n", e.what());
        return ShutDown(1);
    }
    return ShutDown(0);
}
