// The real program in a real window on a private X screen, played as a player plays it:
// xdotool moves the mouse and presses keys, and the test reads the pixels the X server
// shows. Where to click, and what each screen should look like, come from the same steps
// played by a headless session, so the test follows the layout.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "race_test_folder.h"
#include "x_screen.h"

namespace {

namespace fs = std::filesystem;

struct Box { int Left = 0, Top = 0, Width = 0, Height = 0; };

// The headless game after the same steps: where the named controls stand on the canvas,
// and in `picture` the canvas it drew.
std::vector<Box> LaidOut(const std::string& steps, std::initializer_list<const char*> controls,
                         const std::string& data = GameDir(), Surface* picture = nullptr) {
    const std::string script = TempFolder("real-window-layout") + "/steps.txt";
    WriteFileText(script, steps);
    std::vector<std::string> args = {"gravel-ghosts", "--headless", "--session", script,
                                     "--data-dir",    data};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunSession(int(argv.size()), argv.data()), 0) << steps;
    testing::internal::GetCapturedStdout();
    std::vector<Box> boxes;
    for (const char* control : controls) {
        ControlName name;
        std::string problem;
        Control* c = ParseControlName(control, name) ? FindShownControl(name, problem) : nullptr;
        EXPECT_TRUE(c) << control << ": " << problem;
        boxes.push_back(c ? Box{c->CanvasLeft(), c->CanvasTop(), c->Width, c->Height} : Box{});
    }
    if (picture) *picture = ComposeCanvas();
    return boxes;
}

// The game as a player starts it, without sound; it dies with the test.
struct Game {
    pid_t Pid;
    int Status = -1;
    explicit Game(std::vector<std::string> args) {
        args.insert(args.begin(), {GameDir() + "/gravel-ghosts", "--mute"});
        Pid = Spawn(args);
    }
    bool Ended() {
        int status = 0;
        if (Status < 0 && waitpid(Pid, &status, WNOHANG) == Pid)
            Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return Status >= 0;
    }
    ~Game() {
        if (!Ended()) Stop(Pid);
    }
};

// One X server for the whole run; each test starts the game on it afresh.
class RealWindow : public testing::Test {
protected:
    static void SetUpTestSuite() { Server = new Xvfb("1024x768x24"); }
    static void TearDownTestSuite() { delete Server; }
    void SetUp() override {
        if (Server->Display.empty() || Output("command -v xdotool").empty())
            GTEST_SKIP() << "Xvfb or xdotool is not installed";
        FreshHeadless();
    }

    // Waits for the game's window. On a screen of the canvas's own size it fills the
    // screen, so a canvas pixel is a screen pixel.
    void FindWindow() {
        ASSERT_TRUE(Within(20, [&] {
            Id = Output("xdotool search --onlyvisible --name '^Gravel Ghosts Racer$' | head -n 1");
            return !Id.empty();
        })) << "no game window appeared";
        Id.erase(Id.find_last_not_of('\n') + 1);
        int w = 0, h = 0;
        std::sscanf(Output("xdotool getwindowgeometry --shell " + Id).c_str(),
                    "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &X, &Y, &w, &h);
        ASSERT_EQ(std::pair(w, h), std::pair(CanvasWidth, CanvasHeight));
    }
    std::uint32_t Pixel(int x, int y) const {
        Surface shot = ReadScreen(X + x, Y + y, 1, 1);
        return shot.Empty() ? 0xFFFFFFFFu : shot.Pixel(0, 0);
    }
    // The region as the headless game drew it, but for one pixel in fifty: the pointer's
    // highlight and the text caret may differ. Another panel over a sixteenth of it fails.
    bool Shows(const Surface& expected, const Box& r) const {
        Surface shot = ReadScreen(X + r.Left, Y + r.Top, r.Width, r.Height);
        long same = 0;
        for (int y = 0; y < shot.Height; ++y)
            for (int x = 0; x < shot.Width; ++x)
                same += shot.Pixel(x, y) == expected.Pixel(r.Left + x, r.Top + y);
        return !shot.Empty() && same * 50 >= long(r.Width) * r.Height * 49;
    }
    // The panel's dark grey just inside its four corners.
    bool PanelAt(const Box& b) const {
        const int right = b.Left + b.Width - 4, bottom = b.Top + b.Height - 4;
        for (auto [x, y] : {std::pair{b.Left + 3, b.Top + 3}, {right, b.Top + 3},
                            {b.Left + 3, bottom}, {right, bottom}})
            if (Pixel(x, y) != 0x404040) return false;
        return true;
    }
    void Click(const Box& b) const {
        std::system(("xdotool mousemove --sync " + std::to_string(X + b.Left + b.Width / 2) + " " +
                     std::to_string(Y + b.Top + b.Height / 2) + " click 1")
                        .c_str());
    }
    static void Keys(const std::string& names) {
        std::system(("xdotool key --delay 30 " + names + " >/dev/null 2>&1").c_str());
    }

    static inline Xvfb* Server = nullptr;
    std::string Id;
    int X = 0, Y = 0;
};

// The keys from the title to the Time Trial picker, the third item, and Escape back; then
// the mouse through Options and its controls help, New Driver and the shop's pop-up, back
// to the title by Quit, and out by Exit.
TEST_F(RealWindow, TheKeysAndTheMouseWalkEveryMenuScreenAndExitEndsTheGame) {
    Surface menu, options, help, panel, shop, popUp, picker;
    const auto m = LaidOut(
        "dump\n", {"FrontEnd.FrontEndBox", "FrontEnd.Label1", "FrontEnd.Label2", "FrontEnd.Label3"},
        GameDir(), &menu);
    const auto k = LaidOut("key Down\nkey Down\nkey Down\nkey Enter\n",
                           {"FrontEnd.CoursePickerBox"}, GameDir(), &picker);
    const auto op = LaidOut("click FrontEnd.Label2\n", {"FrontEnd.OptionBox"}, GameDir(), &options);
    const auto o = LaidOut("click Label2\nclick Label7\n",
                           {"FrontEnd.Label7", "FrontEnd.ControlsBox", "FrontEnd.Label39",
                            "FrontEnd.Label13"}, GameDir(), &help);
    const auto n = LaidOut("click Label1\n", {"FrontEnd.Label21"});
    const std::string toPanel = "click Label1\nclick Label21\ntype Ann\nkey Enter\n";
    const auto p =
        LaidOut(toPanel, {"RaceWindow.FlashBox", "RaceWindow.Label17", "RaceWindow.Label18"},
                GameDir(), &panel);
    const auto s = LaidOut(toPanel + "click RaceWindow.Label17\n",
                           {"StoreForm.StoreBox", "StoreForm.Item(3)", "StoreForm.LeaveLabel"},
                           GameDir(), &shop);
    const auto u = LaidOut(toPanel + "click RaceWindow.Label17\nclick StoreForm.Item(3)\n",
                           {"PopBox.MessageBox", "PopBox.Label4"}, GameDir(), &popUp);

    Game game({});
    FindWindow();
    ASSERT_TRUE(Within(20, [&] { return Shows(menu, m[0]); })) << "no main menu";
    std::system(("xdotool windowfocus --sync " + Id).c_str());
    Keys("Down Down Down Return");
    ASSERT_TRUE(Within(20, [&] { return Shows(picker, k[0]); })) << "no course picker";
    Keys("Escape");
    ASSERT_TRUE(Within(20, [&] { return !Shows(picker, k[0]); })) << "Escape kept the picker";
    Click(m[2]);
    ASSERT_TRUE(Within(20, [&] { return Shows(options, op[0]); })) << "Options did not open";
    Click(o[0]);
    ASSERT_TRUE(Within(20, [&] { return Shows(help, o[1]); })) << "no controls help";
    Click(o[2]);
    Click(o[3]);
    ASSERT_TRUE(Within(20, [&] { return Shows(menu, m[0]); })) << "Options did not close";

    Click(m[1]);
    Click(n[0]);
    ASSERT_EQ(std::system("xdotool type --delay 40 Ann && xdotool key Return"), 0);
    ASSERT_TRUE(Within(20, [&] { return Shows(panel, p[0]); })) << "no pre-race panel for Ann";

    Click(p[1]);
    ASSERT_TRUE(Within(20, [&] { return Shows(shop, s[0]); })) << "the shop did not open";
    Click(s[1]);  // the MoRockit, $5200, for a player with $100
    ASSERT_TRUE(Within(20, [&] { return Shows(popUp, u[0]); })) << "no pop-up";
    Click(u[1]);
    EXPECT_TRUE(Within(20, [&] { return !Shows(popUp, u[0]) && Shows(shop, s[0]); }))
        << "OK did not dismiss the pop-up";
    Click(s[2]);  // the shop listens again
    ASSERT_TRUE(Within(20, [&] { return Shows(panel, p[0]); })) << "Leave Shop kept the shop";

    Click(p[2]);
    ASSERT_TRUE(Within(20, [&] { return Shows(menu, m[0]); })) << "Quit did not bring the menu";
    // The rebuilt menu may still be loading its pictures when the pointer arrives.
    ASSERT_TRUE(Within(20, [&] {
        Click(m[3]);
        return game.Ended();
    })) << "Exit did not end the game";
    EXPECT_EQ(game.Status, 0);
}

// Ann's career saved by a headless session on its first course, two laps of a small ring
// (down the start column, back up the next): the computer cars are home about twenty
// seconds after green.
std::string RingCareerFolder() {
    const std::string folder = TempFolder("ring-career");
    for (const char* sub : {"graphics", "soundfx"})
        fs::create_directory_symlink(GameDir() + "/" + sub, folder + "/" + sub);
    MakeFolder(folder + "/resources");
    const fs::path resources = folder + "/resources";
    for (const auto& file : fs::directory_iterator(GameDir() + "/resources"))
        if (file.path().filename() != "Map1.ddt")
            fs::create_symlink(file.path(), resources / file.path().filename());
    std::map<std::pair<int, int>, int> ring = {
        {{10, 9}, 7}, {{11, 9}, 12}, {{10, 14}, 14}, {{11, 14}, 15}};
    for (int row = 10; row <= 13; ++row) ring[{10, row}] = ring[{11, row}] = 5;
    ring[{10, 10}] = 18;  // the start
    WriteFileText(folder + "/resources/Map1.ddt", CourseText(ring, "Ring"));
    LaidOut("click Label1\nclick Label21\ntype Ann\nkey Enter\nclick RaceWindow.Label19\n", {},
            folder);
    return folder;
}

// Load Game, Start: the start lights nap between the engines' revs, P pauses and resumes
// the race, and after it the results board stands where the pre-race panel will until a
// key brings the panel.
TEST_F(RealWindow, ASavedCareerRacesWithAPauseAndItsBoardGivesWayToThePanelOnAKey) {
    const std::string data = RingCareerFolder();
    const std::string toList = "click Label1\nclick Label18\n";
    const auto l = LaidOut(toList, {"FrontEnd.Label1", "FrontEnd.Label18", "FrontEnd.SaveGameList",
                                    "FrontEnd.Label29"}, data);
    const auto p =
        LaidOut(toList + "select SaveGameList 0\nclick Label29\n",
                {"RaceWindow.FlashBox", "RaceWindow.Label16", "RaceWindow.BigMapBox"}, data);

    Game game({"--data-dir", data});
    FindWindow();
    ASSERT_TRUE(Within(20, [&] {
        Click(l[0]);
        Click(l[1]);
        Click({l[2].Left, l[2].Top, l[2].Width, 16});  // the first row
        Click(l[3]);
        return PanelAt(p[0]);
    })) << "the saved career's panel is not on the screen";
    Click(p[1]);

    // The start lights nap between the engines' revs: the game's main thread gives up its
    // core dozens of times a second, however busy the machine is, where a loop revving
    // without a nap would hold it the whole two seconds.
    const auto naps = [&] {
        std::ifstream status("/proc/" + std::to_string(game.Pid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.starts_with("voluntary_ctxt_switches:")) return std::stol(line.substr(24));
        return 0L;
    };
    // The race's view stands at (329, 109); its red start lamp 274 across and 32 down.
    ASSERT_TRUE(Within(20, [&] { return Pixel(329 + 274, 109 + 32) == 0xFF0000; }))
        << "no red start light";
    const long before = naps();
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_GT(naps() - before, 20) << "the start lights kept a core busy";

    // P puts the PAUSED box (the HUD's dark panel) over the view, 135 into it and 90 from
    // its top or its bottom, whichever half the car is not in; P again takes it away.
    const auto paused = [&] {
        return Pixel(329 + 145, 109 + 190) == 0x16181E || Pixel(329 + 145, 109 + 440) == 0x16181E;
    };
    for (bool pause : {true, false})
        ASSERT_TRUE(Within(20, [&] {
            if (paused() != pause) Keys("p");
            return Within(1, [&] { return paused() == pause; });
        })) << (pause ? "P did not pause the race" : "P did not resume the race");

    // The board covers the panel's course preview with its grey (or the player's row).
    const auto boardShows = [&] {
        const std::uint32_t spot =
            Pixel(p[2].Left + p[2].Width * 3 / 4, p[2].Top + p[2].Height / 2);
        return PanelAt(p[0]) && (spot == 0x404040 || spot == 0x242424);
    };
    ASSERT_TRUE(Within(90, boardShows)) << "no results board after the race";
    // A key in the board's first half second counts as one held from the race, so Return
    // is pressed again only after two seconds: a second Return on the panel would choose
    // its lit button.
    EXPECT_TRUE(Within(20, [&] {
        Keys("Return");
        return Within(2, [&] { return !boardShows() && PanelAt(p[0]); });
    })) << "the panel did not follow the board";
}

// Without its data the game says so in a message box and ends with status 1 once the
// player has read it; frame statistics that cannot be written end it with status 1 too.
TEST_F(RealWindow, NoDataOrUnwritableFrameStatisticsEndTheGameWithStatus1) {
    {
        Game game({"--data-dir", TempFolder("no-data")});
        ASSERT_TRUE(Within(20, [&] {
            return !Output("xdotool search --onlyvisible --name '^Gravel Ghosts Racer$'").empty();
        })) << "no message appeared";
        std::system("xdotool mousemove --sync 512 700");
        ASSERT_TRUE(Within(30, [&] {
            std::system("xdotool key Return 2>/dev/null");  // the window may already be gone
            return game.Ended();
        })) << "Enter did not close the message and end the game";
        EXPECT_EQ(game.Status, 1);
    }
    Game game({"--stats", "/dev/full"});
    ASSERT_TRUE(Within(30, [&] { return game.Ended(); })) << "the game went on without its figures";
    EXPECT_EQ(game.Status, 1);
}

}  // namespace
