// The windowed backend on a private Xvfb screen: the canvas is scaled into the window
// with its aspect kept, input arrives in canvas pixels and virtual-key codes, and the
// window's own keys (F11, Alt+Enter) never reach the game.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/sdl/windowed.h"
#include "x_screen.h"

// A key with no virtual-key code (the menu key) is not passed on at all.
TEST(Keys, SdlKeysGiveTheVirtualKeysTheGameListensFor) {
    for (auto [sdl, vk] : {std::pair{SDLK_LEFT, 37}, {SDLK_UP, 38}, {SDLK_RIGHT, 39}, {SDLK_a, 65},
                           {SDLK_KP_ENTER, 13}, {SDLK_F12, 123}, {SDLK_APPLICATION, 0}})
        EXPECT_EQ(VirtualKeyFromSdl(sdl), vk) << "SDL key " << sdl;
}

namespace {

using T = InputEvent::Type;
constexpr std::uint32_t Red = 0xFF0000, Blue = 0x0000FF, Green = 0x00FF00, Black = 0;

// Left half red, right half blue, a green band over the top 100 rows.
Surface Pattern() {
    Surface canvas;
    canvas.Resize(CanvasWidth, CanvasHeight, Red);
    canvas.FillRect(512, 0, 512, CanvasHeight, Blue);
    canvas.FillRect(0, 0, CanvasWidth, 100, Green);
    return canvas;
}

using Spot = std::tuple<int, int, std::uint32_t>;
}  // namespace

class Windowed : public testing::Test {
protected:
    static void SetUpTestSuite() { Server = new Xvfb("1280x1024x24"); }
    static void TearDownTestSuite() { delete Server; }
    void SetUp() override {
        if (Server->Display.empty()) GTEST_SKIP() << "Xvfb is not installed";
        Game = MakeWindowedBackend();
        Window = WindowOf(Game.get());
        ASSERT_TRUE(Window);
    }
    // The window's pixels as the X server shows them, once SDL has sent what it queued.
    Surface Shot() {
        SDL_PumpEvents();
        int x = 0, y = 0, w = 0, h = 0;
        SDL_GetWindowPosition(Window, &x, &y);
        SDL_GetWindowSize(Window, &w, &h);
        return ReadScreen(x, y, w, h);
    }
    // Turns until the condition holds: the X server answers in its own time.
    bool Turns(const std::function<bool()>& condition) {
        std::vector<InputEvent> ignored;
        return Within(10, [&] { return Game->PollInput(ignored), condition(); });
    }
    bool Shows(std::initializer_list<Spot> spots) {
        return Turns([&] {
            for (auto [x, y, colour] : spots)
                if (ReadScreen(x, y, 1, 1).Pixels != std::vector{colour}) return false;
            return true;
        });
    }
    bool Sized(int width, int height) {
        int w = 0, h = 0;
        return Turns([&] { return SDL_GetWindowSize(Window, &w, &h), w == width && h == height; });
    }
    // What the game receives for one pushed event. The X pointer sits over the window and
    // moves relative to it whenever the window changes, so stray motions are set aside.
    std::vector<InputEvent> Deliver(SDL_Event e) {
        SDL_PushEvent(&e);
        std::vector<InputEvent> events, kept;
        Game->PollInput(events);
        for (auto& event : events)
            if (event.Kind != T::MouseMove) kept.push_back(event);
        if (e.type == SDL_MOUSEMOTION && !events.empty() && events.back().Kind == T::MouseMove)
            kept.push_back(events.back());
        return kept;
    }
    InputEvent DeliverOne(SDL_Event e) {
        auto events = Deliver(e);
        EXPECT_EQ(events.size(), 1u);
        return events.empty() ? InputEvent{} : events[0];
    }
    SDL_Event Key(SDL_EventType type, SDL_Keycode sym, Uint16 mod = 0, Uint8 repeat = 0) {
        SDL_Event e{};
        e.key.type = type, e.key.windowID = SDL_GetWindowID(Window), e.key.repeat = repeat;
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.sym = sym, e.key.keysym.mod = mod;
        return e;
    }
    void Press(SDL_Keycode sym, Uint16 mod = 0) {
        EXPECT_TRUE(Deliver(Key(SDL_KEYDOWN, sym, mod)).empty());
        EXPECT_TRUE(Deliver(Key(SDL_KEYUP, sym)).empty());
    }
    SDL_Event Mouse(SDL_EventType type, int x, int y, Uint8 button = 0) {
        SDL_Event e{};
        const Uint32 window = SDL_GetWindowID(Window);
        if (type == SDL_MOUSEMOTION) {
            e.motion.type = type, e.motion.windowID = window, e.motion.x = x, e.motion.y = y;
        } else {
            e.button.type = type, e.button.windowID = window, e.button.button = button;
            e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
            e.button.clicks = 1, e.button.x = x, e.button.y = y;
        }
        return e;
    }

    void TwoFramesThrough(const std::string& driver);

    static inline Xvfb* Server = nullptr;
    std::unique_ptr<Backend> Game;
    SDL_Window* Window = nullptr;
};

// This Xvfb runs no window manager, so the window covers the screen itself in fullscreen:
// the whole canvas at 1.25 times, 1280 x 960 from row 32 between black bars, where the
// mouse arrives in canvas pixels, clamped to the canvas. F11 and Alt+Enter toggle it every
// time and never reach the game; any other key does.
TEST_F(Windowed, FullscreenScalesTheCanvasBetweenBarsAndTheTogglesStayWithTheWindow) {
    Game->Present(Pattern());

    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(Deliver(Key(SDL_KEYDOWN, SDLK_F11)).empty());
        EXPECT_TRUE(Deliver(Key(SDL_KEYDOWN, SDLK_F11, 0, 1)).empty());  // held: nothing more
        EXPECT_TRUE(Deliver(Key(SDL_KEYUP, SDLK_F11)).empty());
        EXPECT_TRUE(Sized(1280, 1024)) << round;
        EXPECT_TRUE(Shows({{640, 0, Black}, {640, 31, Black}, {0, 32, Green}, {1279, 156, Green},
                           {0, 158, Red}, {639, 991, Red}, {640, 158, Blue}, {1279, 991, Blue},
                           {640, 992, Black}, {0, 1023, Black}}))
            << "fullscreen, round " << round;
        const struct {
            SDL_Event Sent;
            InputEvent::Type Kind;
            int Button, X, Y;
        } moves[] = {
            {Mouse(SDL_MOUSEMOTION, 640, 512), T::MouseMove, 0, 512, 384},
            {Mouse(SDL_MOUSEMOTION, 10, 10), T::MouseMove, 0, 8, 0},  // in the bar
            {Mouse(SDL_MOUSEBUTTONDOWN, 1279, 1023, SDL_BUTTON_RIGHT), T::MouseDown, 2, 1023, 767},
            {Mouse(SDL_MOUSEBUTTONUP, 640, 512, SDL_BUTTON_LEFT), T::MouseUp, 1, 512, 384},
        };
        for (const auto& m : moves) {
            InputEvent got = DeliverOne(m.Sent);
            EXPECT_EQ(std::pair(got.Kind, m.Button ? got.Button : 0), std::pair(m.Kind, m.Button));
            EXPECT_NEAR(got.X, m.X, 1);
            EXPECT_NEAR(got.Y, m.Y, 1);
        }
        // Alt let go first: the Enter's release still belongs to the toggle.
        if (round == 0) Press(SDLK_RETURN, KMOD_LALT);
        else Press(SDLK_F11);
        ASSERT_TRUE(Sized(1024, 768)) << round;
        int x = 0, y = 0;
        SDL_GetWindowPosition(Window, &x, &y);
        EXPECT_TRUE(Shows({{x, y, Green}, {x + 1023, y + 767, Blue}, {x, y + 767, Red}})) << round;
    }
    EXPECT_EQ(DeliverOne(Key(SDL_KEYDOWN, SDLK_RETURN)).Key, vbKeyReturn);
    EXPECT_EQ(DeliverOne(Key(SDL_KEYUP, SDLK_RETURN)).Key, vbKeyReturn);
}

// Idle, the frame wait sleeps: each second poll within one tick naps 1 ms, and a wait
// ends on its tick having used next to no processor time, or at once for input, the close
// button or a signal.
TEST_F(Windowed, WaitingSleepsUntilTheTickOrWakesForInputOrAQuit) {
    std::vector<InputEvent> events;
    std::uint32_t start = Game->TickCount();
    for (int i = 0; i < 200; ++i) Game->PollInput(events);
    EXPECT_GE(Game->TickCount() - start, 90u);
    start = Game->TickCount();
    const std::clock_t cpu = std::clock();
    Game->WaitForInput(start + 60);
    EXPECT_GE(Game->TickCount(), start + 60);
    EXPECT_LT(std::clock() - cpu, CLOCKS_PER_SEC * 3 / 100);
    const auto returnsAtOnce = [&] {
        start = Game->TickCount();
        Game->WaitForInput(start + 5000);
        return Game->TickCount() - start < 1000;
    };
    SDL_Event wake = Key(SDL_KEYDOWN, SDLK_UP);
    SDL_PushEvent(&wake);
    EXPECT_TRUE(returnsAtOnce());
    Game->PollInput(events);
    wake.type = SDL_QUIT;
    SDL_PushEvent(&wake);
    EXPECT_TRUE(Game->QuitPending());  // seen without taking the event out of its turn
    events.clear();
    Game->PollInput(events);
    EXPECT_TRUE(std::ranges::any_of(events, [](auto& e) { return e.Kind == T::Quit; }));
    raise(SIGTERM);  // handled: the test goes on
    EXPECT_TRUE(returnsAtOnce());
}

// The whole first frame, every pixel unlike its neighbours so a block in the wrong place
// shows, then a frame in which only the course view and a heads-up field changed, so only
// those blocks go up; through the presenter this machine picks (Xvfb has no card: the
// window surface, the OpenGL library never loaded) and through SDL's software and OpenGL
// renderers, which a player's card may bring. The pointer hides over a race.
void Windowed::TwoFramesThrough(const std::string& driver) {
    Game.reset();
    if (!driver.empty()) setenv("SDL_RENDER_DRIVER", driver.c_str(), 1);
    Game = MakeWindowedBackend();
    Window = WindowOf(Game.get());
    unsetenv("SDL_RENDER_DRIVER");
    const std::string presenter = PresenterOf(Game.get());
    if (driver.empty()) {
        EXPECT_EQ(presenter, "window surface");
        std::ifstream maps("/proc/self/maps");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(maps), {}).find("libGL"), std::string::npos);
    } else if (presenter != driver) {
        GTEST_SKIP() << "no " << driver << " renderer here";
    }
    Surface canvas;
    canvas.Resize(CanvasWidth, CanvasHeight);
    for (std::uint32_t& p : canvas.Pixels) p = std::uint32_t(&p - canvas.Pixels.data()) * 2654435761u >> 8;
    EXPECT_TRUE(Game->Present(canvas));
    EXPECT_EQ(Shot().Pixels, canvas.Pixels) << presenter;
    canvas.FillRect(299, 109, 550, 550, 0x336633);
    canvas.FillRect(120, 300, 60, 18, 0xFFFFFF);
    EXPECT_TRUE(Game->Present(canvas));
    EXPECT_EQ(Shot().Pixels, canvas.Pixels) << presenter;
    EXPECT_FALSE(Game->Present(canvas));  // already on screen: nothing to do
}

TEST_F(Windowed, ShowsTheCanvasPixelForPixelAfterAWholeAndAPartialFrame) {
    TwoFramesThrough("");
    Game->SetPointer(PointerKind::Invisible, nullptr, nullptr, 0, 0);  // as in a race
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    TwoFramesThrough("software");
}

// Apart, because the sanitizer run keeps the GL driver loaded for it alone.
TEST_F(Windowed, OpenGLShowsTheSameFrames) { TwoFramesThrough("opengl"); }

// Asked for X with no X, or left to SDL, which would fall back to a driver that shows
// nothing and let the game run unseen for ever, the backend says so in one line.
TEST(WindowedWithoutDisplay, SaysSoInOneLine) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    for (const char* driver : {"x11", ""}) {
        if (*driver) setenv("SDL_VIDEODRIVER", driver, 1);
        else unsetenv("SDL_VIDEODRIVER");
        try {
            MakeWindowedBackend();
            ADD_FAILURE() << "made a window with no display, driver '" << driver << "'";
        } catch (const std::runtime_error& e) {
            const std::string what = e.what();
            EXPECT_TRUE(what.starts_with("No display available: ") && what.find('\n') == what.npos)
                << what;
        }
    }
}
