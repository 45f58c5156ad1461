// The real program in a real window on a private X screen, driven by xdotool the way a
// player's mouse and keyboard drive it, and checked by the pixels on the screen. Where to
// click comes from the same game laid out headless, so the test follows the layout.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>

#include "app/app.h"
#include "race/race.h"
#include "test_support.h"
#include "x_screen.h"

namespace {

using Clock = std::chrono::steady_clock;

// Output of a shell command, or "" when it fails.
std::string Shell(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
        if (pclose(pipe) != 0) return "";
    }
    return out;
}

// Polls until the condition holds or the time is up; the X server and the game answer in
// their own time.
template <typename Condition>
bool Eventually(Condition condition, int seconds = 20) {
    auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The game as a player starts it, with its own data and no sound.
struct Game {
    pid_t Pid = -1;
    int Status = -1;
    Game() {
        Pid = fork();
        if (Pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const std::string program = GameDir() + "/gravel-ghosts";
            const std::string data = GameDir();
            execl(program.c_str(), program.c_str(), "--mute", "--data-dir", data.c_str(),
                  static_cast<char*>(nullptr));
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
    std::string id = Shell("xdotool search --name '^Gravel Ghosts Racer$' 2>/dev/null");
    if (id.empty()) return false;
    id = id.substr(0, id.find('\n'));
    std::istringstream shell(Shell("xdotool getwindowgeometry --shell " + id));
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
Box LaidOutAfter(const std::string& steps, const std::string& control) {
    std::string script = TempFolder("real-window-layout") + "/steps.txt";
    WriteFileText(script, steps);
    std::string s = script, d = GameDir();
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
    if (Shell("command -v xdotool").empty()) GTEST_SKIP() << "xdotool is not installed";
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
    ASSERT_TRUE(Eventually([&] { return FindWindow(at); })) << "no game window appeared";
    ASSERT_EQ(at.Scale, 1.0) << "the screen is the canvas's size, so the window is too";
    ASSERT_TRUE(Eventually([&] { return ScreenMatches(at, frontEnd, menu); }))
        << "the main menu is not on the screen";

    ClickOn(at, careerMode);
    ClickOn(at, newDriver);
    ASSERT_EQ(std::system("xdotool type --delay 40 Ann && xdotool key Return"), 0);
    EXPECT_TRUE(Eventually([&] { return PanelShows(at, panel); }))
        << "the pre-race panel is not on the screen";

    ClickOn(at, quit);
    EXPECT_TRUE(Eventually([&] { return ScreenMatches(at, frontEnd, menu); }))
        << "the front end did not come back";

    // The rebuilt front end may still be loading its pictures when the pointer arrives;
    // a player presses again until the game ends.
    ASSERT_TRUE(Eventually([&] {
        ClickOn(at, exit);
        return game.Ended();
    })) << "Exit did not end the game";
    EXPECT_EQ(game.Status, 0);
}
