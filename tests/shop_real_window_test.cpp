// The shop in the real program on a private X server, driven the way a player's mouse
// drives it (xdotool) and checked by the pixels the server shows: open the shop, press a
// part that is too dear, see the pop-up, dismiss it, leave.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "app/app.h"
#include "career/career.h"
#include "frontend/frontend.h"
#include "race/race_internal.h"
#include "shop/shop.h"
#include "test_support.h"
#include "x_screen.h"

namespace {

// One pixel of a window (0xRRGGBB), read on a connection of our own through Xlib, loaded
// by hand: its headers would clash with the game's names.
std::uint32_t WindowPixel(unsigned long window, int x, int y) {
    static auto open = Xlib<void* (*)(const char*)>("XOpenDisplay");
    static auto getImage =
        Xlib<void* (*)(void*, unsigned long, int, int, unsigned, unsigned, unsigned long, int)>(
            "XGetImage");
    static auto getPixel = Xlib<unsigned long (*)(void*, int, int)>("XGetPixel");
    static auto destroyImage = Xlib<int (*)(void*)>("XDestroyImage");
    static auto onError = Xlib<void* (*)(int (*)(void*, void*))>("XSetErrorHandler");
    static void* display = open ? open(nullptr) : nullptr;
    // A window found before it is mapped cannot be read yet; Xlib's own handler would end
    // the test for it, this one lets the caller simply look again.
    if (onError) onError([](void*, void*) { return 0; });
    constexpr int ZPixmap = 2;
    void* image =
        display && getImage ? getImage(display, window, x, y, 1, 1, ~0ul, ZPixmap) : nullptr;
    if (!image) return 0xFFFFFFFFu;
    std::uint32_t pixel = getPixel(image, 0, 0) & 0xFFFFFF;
    destroyImage(image);
    return pixel;
}

// Where the game's controls stand on its canvas: the same windows built on the headless
// backend, with the same fonts, so the test needs no numbers of its own.
struct Layout {
    std::pair<int, int> CareerMode, NewDriver, NameStrip;
    std::pair<int, int> ShopButton, PanelInside, SalePanelInside, DearPart, Message, Ok, Leave;
};


Layout GameLayout() {
    FreshHeadless();
    Settings = GameSettings{};
    Layout at;
    LoadFrontEnd();
    OpenPanel(CareerModeBox, 207, 112);
    OpenPanel(NewDriverBox, 207, 112);
    at.CareerMode = Middle(FindControl(FrontEnd, "Label1"));
    at.NewDriver = Middle(FindControl(FrontEnd, "Label21"));
    at.NameStrip = {DriverNameBox->CanvasLeft() + 2,
                    DriverNameBox->CanvasTop() + DriverNameBox->Height - 2};
    DestroyFrontEnd();
    DriverNames[PlayerNameEntry] = "Ann";
    LoadRaceScreen();
    NewCareer();
    ShopClick();
    at.ShopButton = Middle(Panel.Shop);
    // Above the front end's main panel, so only the pre-race panel is grey there.
    at.PanelInside = {FlashBox->CanvasLeft() + 5, FlashBox->CanvasTop() + 5};
    at.SalePanelInside = {Store.Picture2->CanvasLeft() + 4, Store.Picture2->CanvasTop() + 4};
    at.DearPart = Middle(Store.Item[3]);  // the MoRockit, $5200
    at.Message = {PopUp.MessageBox->CanvasLeft() + 4, PopUp.MessageBox->CanvasTop() + 4};
    at.Ok = Middle(PopUp.Label4);
    at.Leave = Middle(Store.LeaveLabel);
    InstallBackend(nullptr);
    return at;
}

// The game's window. On a screen larger than the canvas it opens at the canvas's size, so
// its pixels are the canvas's.
struct GameWindow {
    std::string Id;
    std::uint32_t Pixel(std::pair<int, int> at) const {
        return WindowPixel(std::stoul(Id), at.first, at.second);
    }
    // A move first, as a hand would, so that the hover handlers run before the press.
    void Click(std::pair<int, int> at) const {
        std::system(("xdotool mousemove --sync --window " + Id + " " + std::to_string(at.first) +
                     " " + std::to_string(at.second) + " click 1 >/dev/null 2>&1")
                        .c_str());
    }
};

GameWindow FindGameWindow() {
    GameWindow window;
    Within(20, [&window] {
        window.Id = Output(
            "xdotool search --onlyvisible --name 'Gravel Ghosts Racer' 2>/dev/null | head -n 1");
        return !window.Id.empty();
    });
    window.Id.erase(window.Id.find_last_not_of("\n") + 1);
    return window;
}

constexpr std::uint32_t PanelGrey = 0x404040, Black = 0x000000, MessageTeal = 0x00C0C0;

// The way from start-up to the pre-race panel: Career Mode, New Driver, then Enter takes
// the name given on the command line. The first clicks may come before the window listens,
// so they are repeated until the name strip shows.
bool ReachPreRacePanel(const GameWindow& game, const Layout& at) {
    bool named = Within(20, [&] {
        game.Click(at.CareerMode);
        game.Click(at.NewDriver);
        return game.Pixel(at.NameStrip) == Black;
    });
    if (!named) return false;
    std::system(("xdotool key --window " + game.Id + " Return >/dev/null 2>&1").c_str());
    return Within(20, [&] { return game.Pixel(at.PanelInside) == PanelGrey; });
}

TEST(ShopInARealWindow, APartTooDearBringsUpThePopUpAndOKDismissesIt) {
    const Layout at = GameLayout();
    Xvfb server("1280x1024x24");
    if (server.Display.empty() || std::system("command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Xvfb or xdotool is not installed";
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    const pid_t game =
        Spawn({std::string(GG_GAME_DIR) + "/gravel-ghosts", "--mute", "--name", "Ann"});
    struct Ender {
        pid_t Pid;
        ~Ender() { Stop(Pid); }
    } ender{game};

    const GameWindow window = FindGameWindow();
    ASSERT_FALSE(window.Id.empty()) << "the game's window never appeared";
    ASSERT_TRUE(ReachPreRacePanel(window, at));

    window.Click(at.ShopButton);
    ASSERT_TRUE(Within(30, [&] { return window.Pixel(at.SalePanelInside) == Black; }))
        << "the shop did not open";
    EXPECT_NE(window.Pixel(at.Message), MessageTeal);

    window.Click(at.DearPart);
    ASSERT_TRUE(Within(30, [&] { return window.Pixel(at.Message) == MessageTeal; }))
        << "no pop-up for a part the new player cannot afford";

    window.Click(at.Ok);
    EXPECT_TRUE(Within(30, [&] { return window.Pixel(at.Message) != MessageTeal; }))
        << "OK did not dismiss the pop-up";
    EXPECT_EQ(window.Pixel(at.SalePanelInside), Black);  // still in the shop

    // The shop listens again once the pop-up has gone: Leave Shop uncovers the panel.
    window.Click(at.Leave);
    EXPECT_TRUE(Within(30, [&] { return window.Pixel(at.SalePanelInside) == PanelGrey; }))
        << "Leave Shop did not uncover the pre-race panel";
}

}  // namespace
