// The real program on a private X server, played with the keyboard alone (xdotool): from
// the title through Career Mode and New Driver to the pre-race panel, and Start, until
// the start lights burn. Checked by the pixels the server shows.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "career/career.h"
#include "frontend/frontend.h"
#include "race/race_internal.h"
#include "test_support.h"
#include "x_screen.h"

namespace {

using Point = std::pair<int, int>;

// Where the game's things stand on its canvas, from the same windows built headless.
struct Layout {
    Point MainPanel, NameStrip, PanelInside, PickerPreview;
    Point Lamp[3];
};


Layout GameLayout() {
    HeadlessBackend& backend = FreshHeadless();
    Settings = GameSettings{};
    Layout at;
    LoadFrontEnd();
    at.MainPanel = {FrontEndBox->CanvasLeft() + 5, FrontEndBox->CanvasTop() + 470};
    OpenPanel(CareerModeBox, 207, 112);
    OpenPanel(NewDriverBox, 207, 112);
    // The strip's end, past the selected name.
    at.NameStrip = {DriverNameBox->CanvasLeft() + DriverNameBox->Width - 3,
                    DriverNameBox->CanvasTop() + DriverNameBox->Height - 2};
    OpenPanel(CoursePickerBox, 20, 62);
    Control* preview = NamedControl(FrontEnd, "PickerPreview");
    at.PickerPreview = {preview->CanvasLeft() + 40, preview->CanvasTop() + 40};
    DestroyFrontEnd();
    DriverNames[PlayerNameEntry] = "Ann";
    LoadRaceScreen();
    NewCareer();
    at.PanelInside = {FlashBox->CanvasLeft() + 5, FlashBox->CanvasTop() + 5};
    // The lamps stand where the race puts its view, which it places as the lights come on.
    backend.BeforeTurn = [&] {
        if (!PopBox->ShownOnScreen()) return;
        for (int i = 0; i < 3; ++i) at.Lamp[i] = Middle(Light[i]);
        RequestQuit();
    };
    RunRace(CareerRace());
    backend.BeforeTurn = nullptr;
    InstallBackend(nullptr);
    return at;
}

std::uint32_t ScreenPixel(Point at) {
    Surface shot = ReadScreen(at.first, at.second, 1, 1);
    return shot.Empty() ? 0xFFFFFFFFu : shot.Pixel(0, 0);
}

// The game's window under a private X server, focused, with its main menu up; nullptr
// when the machine has no Xvfb or xdotool.
struct RealGame {
    Xvfb Server{"1024x768x24"};
    pid_t Pid = -1;
    ~RealGame() {
        if (Pid > 0) kill(Pid, SIGTERM), waitpid(Pid, nullptr, 0);
    }
};

// Typed as on a real keyboard, into the window that has the keyboard's focus.
void Keys(const std::string& names) {
    std::system(("xdotool key --delay 30 " + names + " >/dev/null 2>&1").c_str());
}

bool LampsBurn(const Layout& at) {
    return Within(20, [&] {
        return ScreenPixel(at.Lamp[0]) == 0xFF0000 || ScreenPixel(at.Lamp[1]) == 0xFFFF00 ||
               ScreenPixel(at.Lamp[2]) == 0x00FF00;
    });
}

// Time Trial's picker opens on course 1 with its preview; Race and then Start light up.
TEST(KeyboardInARealWindow, TimeTrialFromThePickerReachesTheStartLights) {
    const Layout at = GameLayout();
    RealGame game;
    if (game.Server.Display.empty() || std::system("command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Xvfb or xdotool is not installed";
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string folder = TempFolder("real-time-trial");
    for (const char* sub : {"graphics", "resources", "soundfx", "runs"})
        std::filesystem::create_directory_symlink(std::string(GG_GAME_DIR) + "/" + sub,
                                                  folder + "/" + sub);
    game.Pid = Spawn({std::string(GG_GAME_DIR) + "/gravel-ghosts", "--mute", "--data-dir", folder});
    std::string window;
    Within(20, [&window] {
        window = Output("xdotool search --onlyvisible --name 'Gravel Ghosts Racer' 2>/dev/null | head -n 1");
        return !window.empty();
    });
    window.erase(window.find_last_not_of("\n") + 1);
    ASSERT_FALSE(window.empty()) << "the game's window never appeared";
    ASSERT_TRUE(Within(20, [&] { return ScreenPixel(at.MainPanel) == 0x404040; }))
        << "the main menu never showed";
    std::system(("xdotool windowfocus --sync " + window + " >/dev/null 2>&1").c_str());
    const std::uint32_t before = ScreenPixel(at.PickerPreview);
    Keys("Down Down Down Return");  // Time Trial, the third item
    ASSERT_TRUE(Within(20, [&] { return ScreenPixel(at.PickerPreview) != before; }))
        << "the course picker did not show its preview";
    Keys("Right Right Return");  // past "Course >" to Race
    ASSERT_TRUE(Within(20, [&] { return ScreenPixel(at.PanelInside) == 0x404040; }))
        << "no pre-race panel";
    Keys("Tab Return");
    EXPECT_TRUE(LampsBurn(at)) << "the start lights never came on";
}

TEST(KeyboardInARealWindow, TheKeysAloneReachTheStartLights) {
    const Layout at = GameLayout();
    Xvfb server("1024x768x24");
    if (server.Display.empty() || std::system("command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Xvfb or xdotool is not installed";
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const pid_t game =
        Spawn({std::string(GG_GAME_DIR) + "/gravel-ghosts", "--mute", "--name", "Ann"});
    struct Ender {
        pid_t Pid;
        ~Ender() { kill(Pid, SIGTERM), waitpid(Pid, nullptr, 0); }
    } ender{game};

    std::string window;
    Within(20, [&window] {
        window = Output("xdotool search --onlyvisible --name 'Gravel Ghosts Racer' 2>/dev/null | head -n 1");
        return !window.empty();
    });
    window.erase(window.find_last_not_of("\n") + 1);
    ASSERT_FALSE(window.empty()) << "the game's window never appeared";
    // On a screen of the canvas's own size the window fills it, so screen pixels are canvas pixels.
    // Typed as on a real keyboard, into the window that has the keyboard's focus.
    const auto keys = [](const std::string& names) {
        std::system(("xdotool key --delay 30 " + names + " >/dev/null 2>&1").c_str());
    };
    ASSERT_TRUE(Within(20, [&] { return ScreenPixel(at.MainPanel) == 0x404040; }))
        << "the main menu never showed";
    std::system(("xdotool windowfocus --sync " + window + " >/dev/null 2>&1").c_str());

    keys("Down Return Return");  // Career Mode lights, opens, and New Driver is chosen
    ASSERT_TRUE(Within(30, [&] { return ScreenPixel(at.NameStrip) == 0x000000; }))
        << "the New Driver panel did not open";
    keys("Return");  // the name from the command line
    ASSERT_TRUE(Within(20, [&] { return ScreenPixel(at.PanelInside) == 0x404040; }))
        << "no pre-race panel";
    keys("Tab Return");  // Start lights, and is chosen
    EXPECT_TRUE(Within(20, [&] {
        return ScreenPixel(at.Lamp[0]) == 0xFF0000 || ScreenPixel(at.Lamp[1]) == 0xFFFF00 ||
               ScreenPixel(at.Lamp[2]) == 0x00FF00;
    })) << "the start lights never came on";
}

}  // namespace
