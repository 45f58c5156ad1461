// The real program in a real window on a private X screen, driven by xdotool the way a
// player's mouse and keyboard drive it, and checked by the pixels on the screen. Where to
// click comes from the same game laid out headless, so the test follows the layout.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/app.h"
#include "race/race_internal.h"
#include "test_support.h"
#include "x_screen.h"

namespace {

using Clock = std::chrono::steady_clock;

// The game as a player starts it, with its own data and no sound.
struct Game {
    pid_t Pid = -1;
    int Status = -1;
    explicit Game(const std::string& data = GameDir(), const char* statsFile = nullptr) {
        Pid = fork();
        if (Pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const std::string program = GameDir() + "/gravel-ghosts";
            execl(program.c_str(), program.c_str(), "--mute", "--data-dir", data.c_str(),
                  statsFile ? "--stats" : nullptr, statsFile, static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    bool Ended() {
        if (Status >= 0) return true;
        int status = 0;
        if (waitpid(Pid, &status, WNOHANG) != Pid) return false;
        Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return true;
    }
    ~Game() {
        if (Pid > 0 && !Ended()) kill(Pid, SIGKILL), waitpid(Pid, nullptr, 0);
    }
};

// Where the canvas lies on the screen: the window's place, and the canvas scaled into it
// with its aspect kept.
struct Placement {
    int X = 0, Y = 0;
    double Scale = 1;
    int ScreenX(int canvasX) const { return X + static_cast<int>(canvasX * Scale); }
    int ScreenY(int canvasY) const { return Y + static_cast<int>(canvasY * Scale); }
};

bool FindWindow(Placement& where) {
    std::string id = Output("xdotool search --name '^Gravel Ghosts Racer$' 2>/dev/null");
    if (id.empty()) return false;
    id = id.substr(0, id.find('\n'));
    std::istringstream shell(Output("xdotool getwindowgeometry --shell " + id));
    int x = -1, y = -1, w = 0, h = 0;
    for (std::string line; std::getline(shell, line);) {
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        int value = std::atoi(line.c_str() + eq + 1);
        std::string key = line.substr(0, eq);
        if (key == "X") x = value;
        if (key == "Y") y = value;
        if (key == "WIDTH") w = value;
        if (key == "HEIGHT") h = value;
    }
    if (x < 0 || y < 0 || w <= 0 || h <= 0) return false;
    where.Scale = std::min(double(w) / CanvasWidth, double(h) / CanvasHeight);
    where.X = x + (w - static_cast<int>(CanvasWidth * where.Scale)) / 2;
    where.Y = y + (h - static_cast<int>(CanvasHeight * where.Scale)) / 2;
    return true;
}

// The headless game after the same steps: the control's rectangle on the canvas.
struct Box {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};
Box LaidOutAfter(const std::string& steps, const std::string& control,
                 const std::string& data = GameDir()) {
    std::string script = TempFolder("real-window-layout") + "/steps.txt";
    WriteFileText(script, steps);
    std::string s = script, d = data;
    char* argv[] = {const_cast<char*>("gravel-ghosts"), const_cast<char*>("--headless"),
                    const_cast<char*>("--session"), s.data(), const_cast<char*>("--data-dir"),
                    d.data()};
    ::testing::internal::CaptureStdout();
    int status = RunSession(6, argv);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 0) << steps;
    ControlName name;
    std::string problem;
    Control* found = ParseControlName(control, name) ? FindShownControl(name, problem) : nullptr;
    EXPECT_TRUE(found) << control << ": " << problem;
    if (!found) return {};
    return {found->CanvasLeft(), found->CanvasTop(), found->Width, found->Height};
}

void ClickOn(const Placement& at, const Box& box) {
    std::string x = std::to_string(at.ScreenX(box.Left + box.Width / 2));
    std::string y = std::to_string(at.ScreenY(box.Top + box.Height / 2));
    ASSERT_EQ(std::system(("xdotool mousemove --sync " + x + " " + y + " click 1").c_str()), 0);
}

// The panel's dark grey just inside its four corners, and black just outside it.
bool PanelShows(const Placement& at, const Box& panel) {
    Surface screen = ReadScreen(0, 0, at.ScreenX(CanvasWidth), at.ScreenY(CanvasHeight));
    if (screen.Empty()) return false;
    auto pixel = [&](int x, int y) { return screen.Pixel(at.ScreenX(x), at.ScreenY(y)); };
    int right = panel.Left + panel.Width - 4, bottom = panel.Top + panel.Height - 4;
    for (auto [x, y] : {std::pair{panel.Left + 3, panel.Top + 3}, {right, panel.Top + 3},
                        {panel.Left + 3, bottom}, {right, bottom}})
        if (pixel(x, y) != 0x404040) return false;
    return pixel(panel.Left - 8, panel.Top + 8) == 0 && pixel(right, bottom + 12) == 0;
}

// Most of the region shows what the headless game drew there; the pointer's highlight and
// the text caret may differ.
bool ScreenMatches(const Placement& at, const Surface& expected, const Box& region) {
    Surface screen = ReadScreen(0, 0, at.ScreenX(CanvasWidth), at.ScreenY(CanvasHeight));
    if (screen.Empty() || at.Scale != 1.0) return false;
    long same = 0, all = 0;
    for (int y = region.Top; y < region.Top + region.Height; ++y)
        for (int x = region.Left; x < region.Left + region.Width; ++x, ++all)
            same += screen.Pixel(at.ScreenX(x), at.ScreenY(y)) == expected.Pixel(x, y);
    return all > 0 && same * 10 >= all * 9;
}

}  // namespace

// Waits for start-up to open on the front end's main menu.
TEST(RealWindow, PlayersMouseStartsACareerQuitsToTheMenuAndExits) {
    Xvfb server("1024x768x24");
    if (server.Display.empty()) GTEST_SKIP() << "Xvfb is not installed";
    if (Output("command -v xdotool").empty()) GTEST_SKIP() << "xdotool is not installed";
    FreshHeadless();

    const std::string toPanel = "click Label1\nclick Label21\ntype Ann\nkey Enter\n";
    Box careerMode = LaidOutAfter("dump\n", "FrontEnd.Label1");
    Box newDriver = LaidOutAfter("click Label1\n", "FrontEnd.Label21");
    Box panel = LaidOutAfter(toPanel, "RaceWindow.FlashBox");
    Box quit = LaidOutAfter(toPanel, "RaceWindow.Label18");
    Box menu = LaidOutAfter(toPanel + "click Label18\n", "FrontEnd.FrontEndBox");
    Surface frontEnd = ComposeCanvas();  // a copy: the next layout redraws it
    Box exit = LaidOutAfter(toPanel + "click Label18\n", "FrontEnd.Label3");

    Game game;
    Placement at;
    ASSERT_TRUE(Within(20, [&] { return FindWindow(at); })) << "no game window appeared";
    ASSERT_EQ(at.Scale, 1.0) << "the screen is the canvas's size, so the window is too";
    ASSERT_TRUE(Within(20, [&] { return ScreenMatches(at, frontEnd, menu); }))
        << "the main menu is not on the screen";

    ClickOn(at, careerMode);
    ClickOn(at, newDriver);
    ASSERT_EQ(std::system("xdotool type --delay 40 Ann && xdotool key Return"), 0);
    EXPECT_TRUE(Within(20, [&] { return PanelShows(at, panel); }))
        << "the pre-race panel is not on the screen";

    ClickOn(at, quit);
    EXPECT_TRUE(Within(20, [&] { return ScreenMatches(at, frontEnd, menu); }))
        << "the front end did not come back";

    // The rebuilt front end may still be loading its pictures when the pointer arrives;
    // a player presses again until the game ends.
    ASSERT_TRUE(Within(20, [&] {
        ClickOn(at, exit);
        return game.Ended();
    })) << "Exit did not end the game";
    EXPECT_EQ(game.Status, 0);
}

// A game without its data says so in a message box before anything else and ends with
// status 1 once the player has read it; one whose frame statistics cannot be written
// ends with status 1 rather than measure nothing.
TEST(RealWindow, NoDataOrUnwritableFrameStatisticsEndTheGameWithStatus1) {
    Xvfb server("1024x768x24");
    if (server.Display.empty()) GTEST_SKIP() << "Xvfb is not installed";
    if (Output("command -v xdotool").empty()) GTEST_SKIP() << "xdotool is not installed";
    {
        Game game(TempFolder("no-data"));
        Placement at;
        ASSERT_TRUE(Within(20, [&] { return FindWindow(at); })) << "no message appeared";
        ASSERT_EQ(std::system(("xdotool mousemove --sync " + std::to_string(at.ScreenX(512)) + " " +
                               std::to_string(at.ScreenY(700)))
                                  .c_str()),
                  0);
        ASSERT_TRUE(Within(30, [&] {
            int pressed = std::system("xdotool key Return 2>/dev/null");
            (void)pressed;  // the window may already be gone
            return game.Ended();
        })) << "Enter did not close the message and end the game";
        EXPECT_EQ(game.Status, 1);
    }
    Game game(GameDir(), "/dev/full");
    ASSERT_TRUE(Within(30, [&] { return game.Ended(); })) << "the game went on without its figures";
    EXPECT_EQ(game.Status, 1);
}

// A saved career on course 4, a single lap of a small ring (down the start column, back up
// the next): the computer cars are home about ten seconds after green.
std::string RingCareerFolder() {
    namespace fs = std::filesystem;
    std::string folder = TempFolder("ring-career");
    for (const char* sub : {"graphics", "soundfx"})
        fs::create_directory_symlink(GameDir() + "/" + sub, folder + "/" + sub);
    MakeFolder(folder + "/resources");
    for (const auto& file : fs::directory_iterator(GameDir() + "/resources"))
        fs::create_symlink(file.path(), folder + "/resources/" + file.path().filename().string());
    fs::remove(folder + "/resources/Map4.ddt");
    std::string tiles = std::string(88, ' ');
    for (int row = 0; row < 51; ++row)
        for (int column = 0; column < 51; ++column) {
            int code = 0;
            if ((column == 10 || column == 11) && row >= 10 && row <= 13) code = 5;  // |
            if (column == 10 && row == 10) code = 18;                                 // start
            if (row == 9 && (column == 10 || column == 11)) code = column == 10 ? 7 : 12;
            if (row == 14 && (column == 10 || column == 11)) code = column == 10 ? 14 : 15;
            char entry[8];
            std::snprintf(entry, sizeof entry, "%3d ", code);
            tiles += entry;
        }
    WriteFileText(folder + "/resources/Map4.ddt", tiles + "04Ring");
    MakeFolder(folder + "/saves");
    WriteFileText(folder + "/saves/saves.lst", " Ann" + std::string(86, ' ') + "\r\n");
    std::string career;
    for (int car = 0; car < 9; ++car)
        for (int field : {4, 100, 250, 3, 70, 70, 100, 100, 100, 100, 100, 0, 0, 0, 200, 0, 100}) {
            std::string digits = std::to_string(field);
            career += std::string(5 - digits.size(), '0') + digits;
        }
    WriteFileText(folder + "/saves/Ann            .sav", career);
    return folder;
}

// A race paused and resumed by P, then run to its end: the board stands where the
// pre-race panel will; a spot in
// the place of the panel's course preview is the board's grey (or the player's darker
// row) until a key brings the panel and its preview.
TEST(RealWindow, PIsAPauseAndTheResultsBoardAfterTheRaceGoesOnAKeyToThePanel) {
    Xvfb server("1024x768x24");
    if (server.Display.empty()) GTEST_SKIP() << "Xvfb is not installed";
    if (Output("command -v xdotool").empty()) GTEST_SKIP() << "xdotool is not installed";
    FreshHeadless();
    const std::string data = RingCareerFolder();
    const std::string toList = "click Label1\nclick Label18\n";
    const std::string toPanel = toList + "select SaveGameList 0\nclick Label29\n";
    Box careerMode = LaidOutAfter("dump\n", "FrontEnd.Label1", data);
    Box loadGame = LaidOutAfter("click Label1\n", "FrontEnd.Label18", data);
    Box list = LaidOutAfter(toList, "FrontEnd.SaveGameList", data);
    Box loadCareer = LaidOutAfter(toList + "select SaveGameList 0\n", "FrontEnd.Label29", data);
    Box panel = LaidOutAfter(toPanel, "RaceWindow.FlashBox", data);
    Box start = LaidOutAfter(toPanel, "RaceWindow.Label16", data);
    Box preview = LaidOutAfter(toPanel, "RaceWindow.BigMapBox", data);

    Game game(data);
    Placement at;
    ASSERT_TRUE(Within(20, [&] { return FindWindow(at); })) << "no game window appeared";
    ASSERT_TRUE(Within(20, [&] {
        ClickOn(at, careerMode);
        ClickOn(at, loadGame);
        ClickOn(at, {list.Left, list.Top, list.Width, 16});
        ClickOn(at, loadCareer);
        return PanelShows(at, panel);
    })) << "the saved career's panel is not on the screen";
    ClickOn(at, start);

    // The start lights sleep between the engines' revs: from the red light on, the game's
    // main thread is running or waiting for a core (its schedstat) well under half the
    // time. A loop spinning on the revs wants the core the whole two seconds, however busy
    // the machine keeps it.
    const auto redLight = [&] {
        Surface lamp = ReadScreen(at.ScreenX(329 + 274), at.ScreenY(109 + 32), 1, 1);
        return !lamp.Empty() && lamp.Pixel(0, 0) == 0xFF0000;
    };
    const auto wantedCore = [&] {  // nanoseconds on a core plus waiting for one
        std::ifstream stat("/proc/" + std::to_string(game.Pid) + "/schedstat");
        long long running = 0, waiting = 0;
        stat >> running >> waiting;
        return running + waiting;
    };
    ASSERT_TRUE(Within(20, redLight)) << "no red start light";
    const auto lightsFrom = Clock::now();
    const long long wantedBefore = wantedCore();
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    const double share = double(wantedCore() - wantedBefore) /
                         std::chrono::duration<double, std::nano>(Clock::now() - lightsFrom).count();
    EXPECT_LT(share, 0.5) << "the start lights kept a core busy";

    // P once the lights are out puts the PAUSED box (the HUD's dark panel) over the view;
    // P again takes it away. The view sits at (329, 109), the box 135 into it and 90 from
    // its top or its bottom, whichever half the car is not in.
    const auto paused = [&] {
        for (int y : {109 + 90 + 100, 109 + 550 - 90 - 20}) {
            Surface screen = ReadScreen(at.ScreenX(329 + 135 + 10), at.ScreenY(y), 1, 1);
            if (!screen.Empty() && screen.Pixel(0, 0) == 0x16181E) return true;
        }
        return false;
    };
    ASSERT_TRUE(Within(20, [&] {
        if (!paused()) std::system("xdotool key p");
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        return paused();
    })) << "P did not pause the race";
    EXPECT_TRUE(Within(20, [&] {
        if (paused()) std::system("xdotool key p");
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        return !paused();
    })) << "P did not resume the race";

    const auto spot = [&] {
        Surface screen = ReadScreen(at.ScreenX(preview.Left + preview.Width * 3 / 4),
                                    at.ScreenY(preview.Top + preview.Height / 2), 1, 1);
        return screen.Empty() ? 0xFFFFFFFFu : screen.Pixel(0, 0);
    };
    const auto boardShows = [&] {
        std::uint32_t pixel = spot();
        return PanelShows(at, panel) && (pixel == 0x404040 || pixel == 0x242424);
    };
    ASSERT_TRUE(Within(90, boardShows)) << "no results board after the race";
    const auto shownAt = Clock::now();
    // A key in the board's first half second counts as one held from the race, so Return
    // is pressed again only after the board has had two seconds to go: a second Return on
    // the panel would choose its lit button.
    const auto panelAfterBoard = [&] { return !boardShows() && PanelShows(at, panel); };
    EXPECT_TRUE(Within(20, [&] {
        std::system("xdotool key Return");
        return Within(2, panelAfterBoard);
    })) << "the panel did not follow the board";
    // Well before the board would have gone by itself.
    EXPECT_LT(Clock::now() - shownAt, std::chrono::seconds(6));
}
