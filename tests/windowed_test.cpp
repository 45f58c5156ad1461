// The windowed backend on a private Xvfb screen: the canvas is scaled into the window
// with its aspect kept, input arrives in canvas pixels and virtual-key codes, and the
// window's own keys (F11, Alt+Enter) never reach the game.
#include <gtest/gtest.h>

#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/sdl/windowed.h"

// ---------------------------------------------------------------------------------
// Keys, no display needed
// ---------------------------------------------------------------------------------

struct KeyCase {
    const char* Name;
    SDL_Keycode Sdl;
    int Virtual;
};

class KeyMapping : public testing::TestWithParam<KeyCase> {};

TEST_P(KeyMapping, GivesTheVirtualKeyTheGameListensFor) {
    EXPECT_EQ(VirtualKeyFromSdl(GetParam().Sdl), GetParam().Virtual);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyMapping,
    testing::Values(KeyCase{"Left37", SDLK_LEFT, 37}, KeyCase{"Up38", SDLK_UP, 38},
                    KeyCase{"Right39", SDLK_RIGHT, 39}, KeyCase{"Down40", SDLK_DOWN, 40},
                    KeyCase{"Space32", SDLK_SPACE, 32}, KeyCase{"Escape27", SDLK_ESCAPE, 27},
                    KeyCase{"Enter13", SDLK_RETURN, 13}, KeyCase{"KeypadEnter13", SDLK_KP_ENTER, 13},
                    KeyCase{"Backspace8", SDLK_BACKSPACE, 8}, KeyCase{"Tab9", SDLK_TAB, 9},
                    KeyCase{"Home36", SDLK_HOME, 36}, KeyCase{"End35", SDLK_END, 35},
                    KeyCase{"Delete46", SDLK_DELETE, 46}, KeyCase{"A65", SDLK_a, 65},
                    KeyCase{"L76", SDLK_l, 76}, KeyCase{"T84", SDLK_t, 84}, KeyCase{"Z90", SDLK_z, 90},
                    KeyCase{"Digit0_48", SDLK_0, 48}, KeyCase{"Digit9_57", SDLK_9, 57},
                    KeyCase{"F1_112", SDLK_F1, 112}, KeyCase{"F12_123", SDLK_F12, 123},
                    KeyCase{"Keypad0_96", SDLK_KP_0, 96}, KeyCase{"Keypad9_105", SDLK_KP_9, 105},
                    KeyCase{"LeftShift16", SDLK_LSHIFT, 16}, KeyCase{"RightCtrl17", SDLK_RCTRL, 17},
                    // Keys with no virtual-key code are not passed on at all.
                    KeyCase{"MenuKeyNone", SDLK_APPLICATION, 0}, KeyCase{"UnknownNone", SDLK_UNKNOWN, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------------------------
// A private X server
// ---------------------------------------------------------------------------------

namespace {

// Xvfb picks a free display itself (-displayfd), so parallel test runs never collide.
class Xvfb {
public:
    bool Start(const char* screen = "1280x1024x24") {
        int fds[2];
        if (pipe(fds) != 0) return false;
        Pid = fork();
        if (Pid == 0) {
            close(fds[0]);
            prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive a crashed test
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen,
                   "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd wait{fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&wait, 1, 15000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (number.empty()) return false;
        Display = ":" + number;
        return true;
    }
    ~Xvfb() {
        if (Pid > 0) {
            kill(Pid, SIGTERM);
            waitpid(Pid, nullptr, 0);
        }
    }
    std::string Display;

private:
    pid_t Pid = -1;
};

bool OnPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::string all = path ? path : "/usr/bin:/bin";
    std::size_t from = 0;
    while (from <= all.size()) {
        const std::size_t to = std::min(all.find(':', from), all.size());
        if (access((all.substr(from, to - from) + "/" + program).c_str(), X_OK) == 0) return true;
        from = to + 1;
    }
    return false;
}

// The window's pixels as the X server holds them (0x00RRGGBB).
struct Screenshot {
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Pixels;
    std::uint32_t At(int x, int y) const { return Pixels[y * Width + x]; }
};

// Read from the X server's screen on a connection of our own, through Xlib as SDL
// loaded it; Xlib's headers would clash with the game's names, so its types stay opaque.
std::optional<Screenshot> ReadWindow(SDL_Window* window) {
    void* xlib = dlopen("libX11.so.6", RTLD_NOW);
    if (!xlib) return std::nullopt;
    using Open = void* (*)(const char*);
    using Root = unsigned long (*)(void*);
    using GetImage = void* (*)(void*, unsigned long, int, int, unsigned, unsigned, unsigned long, int);
    using GetPixel = unsigned long (*)(void*, int, int);
    using Release = int (*)(void*);
    auto open = reinterpret_cast<Open>(dlsym(xlib, "XOpenDisplay"));
    auto root = reinterpret_cast<Root>(dlsym(xlib, "XDefaultRootWindow"));
    auto getImage = reinterpret_cast<GetImage>(dlsym(xlib, "XGetImage"));
    auto getPixel = reinterpret_cast<GetPixel>(dlsym(xlib, "XGetPixel"));
    auto destroyImage = reinterpret_cast<Release>(dlsym(xlib, "XDestroyImage"));
    auto close = reinterpret_cast<Release>(dlsym(xlib, "XCloseDisplay"));
    if (!open || !root || !getImage || !getPixel || !destroyImage || !close) return std::nullopt;

    SDL_PumpEvents();  // flushes what SDL has sent the server
    void* display = open(nullptr);
    if (!display) return std::nullopt;
    Screenshot shot;
    int x = 0, y = 0;
    SDL_GetWindowPosition(window, &x, &y);
    SDL_GetWindowSize(window, &shot.Width, &shot.Height);
    constexpr int ZPixmap = 2;
    void* image = getImage(display, root(display), x, y, static_cast<unsigned>(shot.Width),
                           static_cast<unsigned>(shot.Height), ~0ul, ZPixmap);
    if (image) {
        for (int row = 0; row < shot.Height; ++row)
            for (int col = 0; col < shot.Width; ++col)
                shot.Pixels.push_back(static_cast<std::uint32_t>(getPixel(image, col, row)) & 0xFFFFFF);
        destroyImage(image);
    }
    close(display);
    if (!image) return std::nullopt;
    return shot;
}

constexpr std::uint32_t Red = 0xFF0000, Blue = 0x0000FF, Green = 0x00FF00, Black = 0;

// Left half red, right half blue, a green band over the top 100 rows.
Surface Pattern() {
    Surface canvas;
    canvas.Width = CanvasWidth;
    canvas.Height = CanvasHeight;
    canvas.Pixels.resize(CanvasWidth * CanvasHeight);
    for (int y = 0; y < CanvasHeight; ++y)
        for (int x = 0; x < CanvasWidth; ++x)
            canvas.Pixels[y * CanvasWidth + x] = y < 100 ? Green : x < 512 ? Red : Blue;
    return canvas;
}

}  // namespace

class Windowed : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!OnPath("Xvfb")) return;
        Server = new Xvfb;
        if (!Server->Start()) return;
        setenv("DISPLAY", Server->Display.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    static void TearDownTestSuite() {
        delete Server;
        Server = nullptr;
    }
    void SetUp() override {
        if (!Server || Server->Display.empty()) GTEST_SKIP() << "Xvfb is not installed";
        Game = MakeWindowedBackend();
        Window = WindowOf(Game.get());
        ASSERT_TRUE(Window);
    }

    // Turns until the window has taken the asked size (the X server answers asynchronously).
    void WaitForSize(int width, int height) {
        std::vector<InputEvent> ignored;
        for (int i = 0; i < 2000; ++i) {
            int w = 0, h = 0;
            SDL_GetWindowSize(Window, &w, &h);
            if (w == width && h == height) break;
            Game->PollInput(ignored);
        }
        Game->PollInput(ignored);
    }

    // What the game receives for one pushed event. The X pointer sits over the window
    // and moves relative to it whenever the window changes, so stray motions are set aside.
    std::vector<InputEvent> Deliver(SDL_Event e) {
        SDL_PushEvent(&e);
        std::vector<InputEvent> events, kept;
        Game->PollInput(events);
        for (auto& event : events)
            if (event.Kind != InputEvent::Type::MouseMove) kept.push_back(event);
        if (e.type == SDL_MOUSEMOTION && !events.empty() &&
            events.back().Kind == InputEvent::Type::MouseMove)
            kept.push_back(events.back());
        return kept;
    }
    SDL_Event Key(SDL_EventType type, SDL_Keycode sym, Uint16 mod = 0, Uint8 repeat = 0) {
        SDL_Event e{};
        e.type = type;
        e.key.windowID = SDL_GetWindowID(Window);
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        return e;
    }
    SDL_Event Mouse(SDL_EventType type, int x, int y, Uint8 button = 0) {
        SDL_Event e{};
        e.type = type;
        if (type == SDL_MOUSEMOTION) {
            e.motion.windowID = SDL_GetWindowID(Window);
            e.motion.x = x;
            e.motion.y = y;
        } else {
            e.button.windowID = SDL_GetWindowID(Window);
            e.button.button = button;
            e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
            e.button.x = x;
            e.button.y = y;
        }
        return e;
    }

    static Xvfb* Server;
    std::unique_ptr<Backend> Game;
    SDL_Window* Window = nullptr;
};
Xvfb* Windowed::Server = nullptr;

TEST_F(Windowed, OpensAtTheCanvasSizeUnderTheGamesTitle) {
    int w = 0, h = 0;
    SDL_GetWindowSize(Window, &w, &h);
    EXPECT_EQ(w, 1024);  // the 1280 x 1024 screen has room for it
    EXPECT_EQ(h, 768);
    EXPECT_STREQ(SDL_GetWindowTitle(Window), "Gravel Ghosts Racer");
    EXPECT_TRUE(SDL_GetWindowFlags(Window) & SDL_WINDOW_RESIZABLE);
    EXPECT_TRUE(Game->Interactive());
}

TEST_F(Windowed, CanvasIsShownPixelForPixelAndLetterboxedInAWideWindow) {
    Game->Present(Pattern());
    auto shot = ReadWindow(Window);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->At(0, 100), Red);
    EXPECT_EQ(shot->At(511, 767), Red);
    EXPECT_EQ(shot->At(512, 100), Blue);
    EXPECT_EQ(shot->At(1023, 99), Green);

    // 800 x 400: scale 400 / 768, so the canvas is 533 wide, centred from x = 133, with
    // black bars at the sides. The backend repaints the resized window by itself.
    SDL_SetWindowSize(Window, 800, 400);
    WaitForSize(800, 400);
    shot = ReadWindow(Window);
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->Width, 800);
    EXPECT_EQ(shot->At(60, 200), Black);
    EXPECT_EQ(shot->At(740, 200), Black);
    EXPECT_EQ(shot->At(250, 300), Red);
    EXPECT_EQ(shot->At(550, 300), Blue);
    EXPECT_EQ(shot->At(400, 20), Green);   // canvas row 38
    EXPECT_EQ(shot->At(400, 70), Blue);    // canvas row 134, below the band
}

TEST_F(Windowed, MouseArrivesInCanvasPixelsClampedToTheCanvas) {
    Game->Present(Pattern());
    SDL_SetWindowSize(Window, 800, 400);
    WaitForSize(800, 400);

    auto moved = Deliver(Mouse(SDL_MOUSEMOTION, 400, 200));  // the window's centre
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0].Kind, InputEvent::Type::MouseMove);
    EXPECT_NEAR(moved[0].X, 512, 1);
    EXPECT_NEAR(moved[0].Y, 384, 1);

    auto inBar = Deliver(Mouse(SDL_MOUSEMOTION, 10, 10));  // left of the canvas
    ASSERT_EQ(inBar.size(), 1u);
    EXPECT_EQ(inBar[0].X, 0);
    EXPECT_NEAR(inBar[0].Y, 19, 1);  // 10 / (400 / 768)

    auto right = Deliver(Mouse(SDL_MOUSEBUTTONDOWN, 790, 399, SDL_BUTTON_RIGHT));
    ASSERT_EQ(right.size(), 1u);
    EXPECT_EQ(right[0].Kind, InputEvent::Type::MouseDown);
    EXPECT_EQ(right[0].Button, 2);
    EXPECT_EQ(right[0].X, 1023);
    EXPECT_GE(right[0].Y, 765);
    EXPECT_LE(right[0].Y, 767);

    auto up = Deliver(Mouse(SDL_MOUSEBUTTONUP, 400, 200, SDL_BUTTON_LEFT));
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].Kind, InputEvent::Type::MouseUp);
    EXPECT_EQ(up[0].Button, 1);
}

TEST_F(Windowed, HeldKeysRepeatAsFurtherPressesAndTextArrivesTyped) {
    auto held = Deliver(Key(SDL_KEYDOWN, SDLK_LEFT, 0, 1));
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].Kind, InputEvent::Type::KeyDown);
    EXPECT_EQ(held[0].Key, vbKeyLeft);

    auto released = Deliver(Key(SDL_KEYUP, SDLK_SPACE));
    ASSERT_EQ(released.size(), 1u);
    EXPECT_EQ(released[0].Kind, InputEvent::Type::KeyUp);
    EXPECT_EQ(released[0].Key, vbKeySpace);

    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    text.text.windowID = SDL_GetWindowID(Window);
    SDL_strlcpy(text.text.text, "\xC3\xA9", sizeof text.text.text);  // é
    auto typed = Deliver(text);
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_EQ(typed[0].Kind, InputEvent::Type::Text);
    EXPECT_EQ(typed[0].Text, "\xC3\xA9");

    SDL_Event quit{};
    quit.type = SDL_QUIT;
    auto closing = Deliver(quit);
    ASSERT_EQ(closing.size(), 1u);
    EXPECT_EQ(closing[0].Kind, InputEvent::Type::Quit);
}

TEST_F(Windowed, F11AndAltEnterToggleFullscreenWithoutReachingTheGame) {
    const auto fullscreen = [&] {
        return (SDL_GetWindowFlags(Window) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
               SDL_WINDOW_FULLSCREEN_DESKTOP;
    };
    EXPECT_TRUE(Deliver(Key(SDL_KEYDOWN, SDLK_F11)).empty());
    EXPECT_TRUE(fullscreen());
    EXPECT_TRUE(Deliver(Key(SDL_KEYDOWN, SDLK_F11, 0, 1)).empty());  // a held F11 does nothing more
    EXPECT_TRUE(Deliver(Key(SDL_KEYUP, SDLK_F11)).empty());
    EXPECT_TRUE(fullscreen());

    EXPECT_TRUE(Deliver(Key(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT)).empty());
    EXPECT_FALSE(fullscreen());
    // Alt let go first: the Enter's release still belongs to the toggle.
    EXPECT_TRUE(Deliver(Key(SDL_KEYUP, SDLK_RETURN)).empty());

    auto enter = Deliver(Key(SDL_KEYDOWN, SDLK_RETURN));
    ASSERT_EQ(enter.size(), 1u);
    EXPECT_EQ(enter[0].Key, vbKeyReturn);
    EXPECT_EQ(Deliver(Key(SDL_KEYUP, SDLK_RETURN)).size(), 1u);
}

TEST_F(Windowed, PointerHidesShowsAndReusesACustomPicture) {
    Game->SetPointer(PointerKind::Invisible, nullptr, nullptr, 0, 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    Game->SetPointer(PointerKind::Arrow, nullptr, nullptr, 0, 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    SDL_Cursor* arrow = SDL_GetCursor();

    // A traffic-light icon, loaded afresh from its file on every hover.
    Surface image, mask;
    image.Width = mask.Width = 32;
    image.Height = mask.Height = 32;
    image.Pixels.assign(32 * 32, 0xFF0000);
    mask.Pixels.assign(32 * 32, 0);
    for (int i = 0; i < 32 * 16; ++i) mask.Pixels[i] = 1;
    Game->SetPointer(PointerKind::Custom, &image, &mask, 3, 4);
    SDL_Cursor* custom = SDL_GetCursor();
    EXPECT_NE(custom, arrow);
    Surface again = image;
    Game->SetPointer(PointerKind::Default, nullptr, nullptr, 0, 0);
    EXPECT_EQ(SDL_GetCursor(), arrow);
    Game->SetPointer(PointerKind::Custom, &again, &mask, 3, 4);
    EXPECT_EQ(SDL_GetCursor(), custom);
}

TEST_F(Windowed, IdlePollingNapsSoTheFrameWaitDoesNotSpin) {
    // Each second idle poll within one tick sleeps 1 ms, so 200 polls cover 100 ms or more.
    std::vector<InputEvent> events;
    const std::uint32_t start = Game->TickCount();
    for (int i = 0; i < 200; ++i) Game->PollInput(events);
    EXPECT_GE(Game->TickCount() - start, 90u);
    EXPECT_NEAR(Game->Seconds(), Game->TickCount() / 1000.0f, 0.002f);
}

TEST(WindowedOnASmallScreen, StartsShrunkWithTheCanvasAspect) {
    if (!OnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    Xvfb small;
    ASSERT_TRUE(small.Start("800x600x24"));
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    setenv("DISPLAY", small.Display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    {
        auto game = MakeWindowedBackend();
        int w = 0, h = 0;
        SDL_GetWindowSize(WindowOf(game.get()), &w, &h);
        EXPECT_EQ(w, 800);  // 1024 x 768 scaled by 800 / 1024
        EXPECT_EQ(h, 600);
    }
    if (display) setenv("DISPLAY", saved.c_str(), 1);
}

TEST(WindowedWithoutDisplay, SaysSoInOneLine) {
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    setenv("SDL_VIDEODRIVER", "x11", 1);
    try {
        MakeWindowedBackend();
        ADD_FAILURE() << "made a window with no display";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("No display available: ", 0), 0u) << e.what();
        EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos);
    }
    if (display) setenv("DISPLAY", saved.c_str(), 1);
}
