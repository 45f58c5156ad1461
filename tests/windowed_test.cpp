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

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "platform/sdl/windowed.h"
#include "x_screen.h"

TEST(Keys, SdlKeysGiveTheVirtualKeysTheGameListensFor) {
    for (auto [sdl, virtualKey] :
         {std::pair{SDLK_LEFT, 37}, {SDLK_UP, 38}, {SDLK_RIGHT, 39}, {SDLK_DOWN, 40},
          {SDLK_SPACE, 32}, {SDLK_ESCAPE, 27}, {SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13},
          {SDLK_BACKSPACE, 8}, {SDLK_HOME, 36}, {SDLK_DELETE, 46}, {SDLK_a, 65}, {SDLK_z, 90},
          {SDLK_0, 48}, {SDLK_9, 57}, {SDLK_F1, 112}, {SDLK_F12, 123}, {SDLK_KP_9, 105},
          {SDLK_RCTRL, 17},
          {SDLK_APPLICATION, 0}})  // keys with no virtual-key code are not passed on at all
        EXPECT_EQ(VirtualKeyFromSdl(sdl), virtualKey) << "SDL key " << sdl;
}

namespace {

// The window's pixels as the X server shows them; SDL's queue is flushed first so that
// what it has sent the server is there.
Surface ReadWindow(SDL_Window* window) {
    SDL_PumpEvents();
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window, &x, &y);
    SDL_GetWindowSize(window, &w, &h);
    return ReadScreen(x, y, w, h);
}

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

    // Turns until the window has taken the asked size (the X server answers in its own time).
    void Resize(int width, int height) {
        SDL_SetWindowSize(Window, width, height);
        std::vector<InputEvent> ignored;
        for (int i = 0, w = 0, h = 0; i < 2000 && (w != width || h != height); ++i) {
            Game->PollInput(ignored);
            SDL_GetWindowSize(Window, &w, &h);
        }
        Game->PollInput(ignored);
    }

    // What the game receives for one pushed event. The X pointer sits over the window and
    // moves relative to it whenever the window changes, so stray motions are set aside.
    std::vector<InputEvent> Deliver(SDL_Event e) {
        SDL_PushEvent(&e);
        std::vector<InputEvent> events, kept;
        Game->PollInput(events);
        for (auto& event : events)
            if (event.Kind != InputEvent::Type::MouseMove) kept.push_back(event);
        if (e.type == SDL_MOUSEMOTION && !events.empty() && events.back().Kind == InputEvent::Type::MouseMove)
            kept.push_back(events.back());
        return kept;
    }
    // Turns until the X server shows the window at this size (it answers in its own time).
    bool Sized(int width, int height) {
        return Within(10, [&] {
            std::vector<InputEvent> ignored;
            Game->PollInput(ignored);
            int w = 0, h = 0;
            SDL_GetWindowSize(Window, &w, &h);
            return w == width && h == height;
        });
    }
    InputEvent DeliverOne(SDL_Event e) {
        auto events = Deliver(e);
        EXPECT_EQ(events.size(), 1u);
        return events.empty() ? InputEvent{} : events[0];
    }
    SDL_Event Key(SDL_EventType type, SDL_Keycode sym, Uint16 mod = 0, Uint8 repeat = 0) {
        SDL_Event e{};
        const Uint8 state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        const SDL_Keysym key{SDL_SCANCODE_UNKNOWN, sym, mod, 0};
        e.key = {type, 0, SDL_GetWindowID(Window), state, repeat, 0, 0, key};
        return e;
    }
    SDL_Event Motion(int x, int y) {
        SDL_Event e{};
        e.motion = {SDL_MOUSEMOTION, 0, SDL_GetWindowID(Window), 0, 0, x, y, 0, 0};
        return e;
    }
    SDL_Event Button(SDL_EventType type, int x, int y, Uint8 button) {
        SDL_Event e{};
        const Uint8 state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button = {type, 0, SDL_GetWindowID(Window), 0, button, state, 1, 0, x, y};
        return e;
    }

    static inline Xvfb* Server = nullptr;
    std::unique_ptr<Backend> Game;
    SDL_Window* Window = nullptr;
};

TEST_F(Windowed, OpensUnderTheGamesTitleShowingTheCanvasPixelForPixelAndLetterboxed) {
    EXPECT_STREQ(SDL_GetWindowTitle(Window), "Gravel Ghosts Racer");
    EXPECT_TRUE(SDL_GetWindowFlags(Window) & SDL_WINDOW_RESIZABLE);
    Game->Present(Pattern());
    Surface shot = ReadWindow(Window);
    ASSERT_EQ(std::pair(shot.Width, shot.Height), std::pair(1024, 768));  // the screen has room
    EXPECT_EQ(shot.Pixel(0, 100), Red);
    EXPECT_EQ(shot.Pixel(511, 767), Red);
    EXPECT_EQ(shot.Pixel(512, 100), Blue);
    EXPECT_EQ(shot.Pixel(1023, 99), Green);
    // 800 x 400: scale 400 / 768, so the canvas is 533 wide, centred from x = 133, with
    // black bars at the sides. The backend repaints the resized window by itself.
    Resize(800, 400);
    shot = ReadWindow(Window);
    ASSERT_EQ(shot.Width, 800);
    EXPECT_EQ(shot.Pixel(60, 200), Black);
    EXPECT_EQ(shot.Pixel(740, 200), Black);
    EXPECT_EQ(shot.Pixel(250, 300), Red);
    EXPECT_EQ(shot.Pixel(550, 300), Blue);
    EXPECT_EQ(shot.Pixel(400, 20), Green);  // canvas row 38
    EXPECT_EQ(shot.Pixel(400, 70), Blue);   // canvas row 134, below the band
}

TEST_F(Windowed, MouseArrivesInCanvasPixelsClampedToTheCanvas) {
    Resize(800, 400);
    InputEvent centre = DeliverOne(Motion(400, 200));
    EXPECT_EQ(centre.Kind, InputEvent::Type::MouseMove);
    EXPECT_NEAR(centre.X, 512, 1);
    EXPECT_NEAR(centre.Y, 384, 1);
    InputEvent inBar = DeliverOne(Motion(10, 10));  // left of the canvas, 10 / (400 / 768) down
    EXPECT_EQ(inBar.X, 0);
    EXPECT_NEAR(inBar.Y, 19, 1);
    InputEvent right = DeliverOne(Button(SDL_MOUSEBUTTONDOWN, 790, 399, SDL_BUTTON_RIGHT));
    EXPECT_EQ(std::tuple(right.Kind, right.Button, right.X), std::tuple(T::MouseDown, 2, 1023));
    EXPECT_NEAR(right.Y, 766, 1);
    InputEvent up = DeliverOne(Button(SDL_MOUSEBUTTONUP, 400, 200, SDL_BUTTON_LEFT));
    EXPECT_EQ(std::pair(up.Kind, up.Button), std::pair(T::MouseUp, 1));
}

TEST_F(Windowed, KeysAndTextArriveButTheFullscreenTogglesStayWithTheWindow) {
    InputEvent held = DeliverOne(Key(SDL_KEYDOWN, SDLK_LEFT, 0, 1));  // repeats are presses
    EXPECT_EQ(std::pair(held.Kind, held.Key), std::pair(T::KeyDown, int(vbKeyLeft)));
    InputEvent released = DeliverOne(Key(SDL_KEYUP, SDLK_SPACE));
    EXPECT_EQ(std::pair(released.Kind, released.Key), std::pair(T::KeyUp, int(vbKeySpace)));
    SDL_Event e{};
    e.text.type = SDL_TEXTINPUT;
    SDL_strlcpy(e.text.text, "\xC3\xA9", sizeof e.text.text);  // é
    InputEvent typed = DeliverOne(e);
    EXPECT_EQ(std::pair(typed.Kind, typed.Text), std::pair(T::Text, std::string("\xC3\xA9")));
    e.type = SDL_QUIT;
    EXPECT_EQ(DeliverOne(e).Kind, InputEvent::Type::Quit);
    // F11 and Alt+Enter toggle fullscreen (the whole 1280 x 1024 screen) without reaching
    // the game.
    EXPECT_TRUE(Deliver(Key(SDL_KEYDOWN, SDLK_F11)).empty());
    EXPECT_TRUE(Sized(1280, 1024));
    EXPECT_TRUE(Deliver(Key(SDL_KEYDOWN, SDLK_F11, 0, 1)).empty());  // a held F11 does nothing more
    EXPECT_TRUE(Deliver(Key(SDL_KEYUP, SDLK_F11)).empty());
    EXPECT_TRUE(Sized(1280, 1024));
    EXPECT_TRUE(Deliver(Key(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT)).empty());
    EXPECT_TRUE(Sized(1024, 768));
    // Alt let go first: the Enter's release still belongs to the toggle.
    EXPECT_TRUE(Deliver(Key(SDL_KEYUP, SDLK_RETURN)).empty());
    EXPECT_EQ(DeliverOne(Key(SDL_KEYDOWN, SDLK_RETURN)).Key, vbKeyReturn);
    EXPECT_EQ(DeliverOne(Key(SDL_KEYUP, SDLK_RETURN)).Key, vbKeyReturn);
}

// This Xvfb runs no window manager, so nobody acts on a fullscreen request: the window
// covers the screen itself. The screen shows the whole canvas at 1.25 times, 1280 x 960
// from row 32 between black bars, and F11 brings the window back every time.
TEST_F(Windowed, FullscreenWithoutAWindowManagerLetterboxesTheWholeCanvasAndTogglesBack) {
    Game->Present(Pattern());
    struct Spot {
        int X, Y;
        std::uint32_t Colour;
    };
    const Spot screenEdges[] = {
        {640, 0, Black},  {640, 31, Black},  {0, 32, Green},     {1279, 156, Green},
        {0, 158, Red},    {639, 991, Red},   {640, 158, Blue},   {1279, 991, Blue},
        {640, 992, Black}, {0, 1023, Black},
    };
    const auto shows = [&](const auto& spots) {
        return Within(10, [&] {
            std::vector<InputEvent> ignored;
            Game->PollInput(ignored);
            for (const Spot& s : spots)
                if (ReadScreen(s.X, s.Y, 1, 1).Pixels != std::vector<std::uint32_t>{s.Colour})
                    return false;
            return true;
        });
    };
    for (int round = 0; round < 3; ++round) {
        Deliver(Key(SDL_KEYDOWN, SDLK_F11)), Deliver(Key(SDL_KEYUP, SDLK_F11));
        EXPECT_TRUE(shows(screenEdges)) << "fullscreen, round " << round;
        Deliver(Key(SDL_KEYDOWN, SDLK_F11)), Deliver(Key(SDL_KEYUP, SDLK_F11));
        ASSERT_TRUE(Sized(1024, 768)) << "back, round " << round;
        int x = 0, y = 0;
        SDL_GetWindowPosition(Window, &x, &y);
        const Spot windowEdges[] = {{x, y, Green}, {x + 1023, y + 767, Blue}, {x, y + 767, Red}};
        EXPECT_TRUE(shows(windowEdges)) << "back, round " << round;
    }
}

TEST_F(Windowed, PointerHidesShowsAndReusesACustomPicture) {
    Game->SetPointer(PointerKind::Invisible, nullptr, nullptr, 0, 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    Game->SetPointer(PointerKind::Arrow, nullptr, nullptr, 0, 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    SDL_Cursor* arrow = SDL_GetCursor();
    // A traffic-light icon, loaded afresh from its file on every hover: drawn in its top half.
    Surface image, mask;
    image.Resize(32, 32, Red);
    mask.Resize(32, 32, 0);
    mask.FillRect(0, 0, 32, 16, 1);
    Game->SetPointer(PointerKind::Custom, &image, &mask, 3, 4);
    SDL_Cursor* custom = SDL_GetCursor();
    EXPECT_NE(custom, arrow);
    Game->SetPointer(PointerKind::Default, nullptr, nullptr, 0, 0);
    EXPECT_EQ(SDL_GetCursor(), arrow);
    Surface again = image;
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

namespace {

// Every pixel unlike its neighbours, so a block put in the wrong place or a scaled copy shows.
Surface Busy() {
    Surface canvas;
    canvas.Resize(CanvasWidth, CanvasHeight);
    for (int y = 0; y < CanvasHeight; ++y)
        for (int x = 0; x < CanvasWidth; ++x)
            canvas.SetPixel(x, y, static_cast<std::uint32_t>(x * 2654435761u ^ y * 40503u) & 0xFFFFFF);
    return canvas;
}

bool Mapped(const char* library) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find(library) != std::string::npos) return true;
    return false;
}

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

}  // namespace

TEST_F(Windowed, WithoutACardThePresenterIsTheWindowSurfaceAndNoOpenGlIsLoaded) {
    if (std::getenv("SDL_RENDER_DRIVER")) GTEST_SKIP() << "SDL_RENDER_DRIVER chooses";
    EXPECT_EQ(PresenterOf(Game.get()), "window surface");  // Xvfb renders nothing directly
    Game->Present(Busy());
    EXPECT_FALSE(Mapped("libGL")) << "the OpenGL library was loaded";
}

// The same two frames through each presenter: the whole first one, then a frame in which
// only the course view and a heads-up field changed, so only those blocks go up.
class EachPresenter : public Windowed, public testing::WithParamInterface<const char*> {};

TEST_P(EachPresenter, ShowsTheCanvasPixelForPixelAfterAWholeAndAPartialFrame) {
    Game.reset();
    const std::string driver = GetParam();
    if (driver.empty()) unsetenv("SDL_RENDER_DRIVER");
    else setenv("SDL_RENDER_DRIVER", driver.c_str(), 1);
    Game = MakeWindowedBackend();
    unsetenv("SDL_RENDER_DRIVER");
    Window = WindowOf(Game.get());
    const std::string presenter = PresenterOf(Game.get());
    if (!driver.empty() && presenter != driver) GTEST_SKIP() << "no " << driver << " renderer here";
    Surface canvas = Busy();
    EXPECT_TRUE(Game->Present(canvas));
    EXPECT_EQ(ReadWindow(Window).Pixels, canvas.Pixels) << presenter;
    canvas.FillRect(299, 109, 550, 550, 0x336633);
    canvas.FillRect(120, 300, 60, 18, 0xFFFFFF);
    EXPECT_TRUE(Game->Present(canvas));
    EXPECT_EQ(ReadWindow(Window).Pixels, canvas.Pixels) << presenter;
    EXPECT_FALSE(Game->Present(canvas));  // already on screen: nothing to do
}

INSTANTIATE_TEST_SUITE_P(Presenters, EachPresenter, testing::Values("", "software", "opengl"),
                         [](const auto& info) {
                             return std::string(*info.param ? info.param : "chosen");
                         });

TEST_F(Windowed, WaitingSleepsUntilTheTickOrWakesForInputOrAQuit) {
    std::vector<InputEvent> events;
    Game->PollInput(events);
    // Nothing happens: the wait ends on its tick, having used next to no processor time.
    std::uint32_t start = Game->TickCount();
    double cpu = ThreadCpuMs();
    Game->WaitForInput(start + 60);
    EXPECT_GE(Game->TickCount(), start + 60);
    EXPECT_LT(ThreadCpuMs() - cpu, 30.0);
    // Input already waiting, a signal, or the close button: the wait returns at once.
    const auto returnsAtOnce = [&] {
        start = Game->TickCount();
        Game->WaitForInput(start + 5000);
        return Game->TickCount() - start < 1000;
    };
    SDL_Event key = Key(SDL_KEYDOWN, SDLK_UP);
    SDL_PushEvent(&key);
    EXPECT_TRUE(returnsAtOnce());
    Game->PollInput(events);
    SDL_Event close{};
    close.type = SDL_QUIT;
    SDL_PushEvent(&close);
    EXPECT_TRUE(Game->QuitPending());  // seen without taking the event out of its turn
    events.clear();
    Game->PollInput(events);
    EXPECT_TRUE(std::any_of(events.begin(), events.end(),
                            [](const InputEvent& e) { return e.Kind == InputEvent::Type::Quit; }));
    raise(SIGTERM);  // handled: the test goes on
    EXPECT_TRUE(Game->QuitPending());
    EXPECT_TRUE(returnsAtOnce());
}

TEST(WindowedOnASmallScreen, StartsShrunkWithTheCanvasAspect) {
    Xvfb small("800x600x24");
    if (small.Display.empty()) GTEST_SKIP() << "Xvfb is not installed";
    auto game = MakeWindowedBackend();
    int w = 0, h = 0;
    SDL_GetWindowSize(WindowOf(game.get()), &w, &h);
    EXPECT_EQ(std::pair(w, h), std::pair(800, 600));  // 1024 x 768 scaled by 800 / 1024
}

// Asked for X with no X, or left to SDL, which would fall back to a driver that shows
// nothing and let the game run unseen for ever.
TEST(WindowedWithoutDisplay, SaysSoInOneLine) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    for (const char* driver : {"x11", ""}) {
        if (*driver)
            setenv("SDL_VIDEODRIVER", driver, 1);
        else
            unsetenv("SDL_VIDEODRIVER");
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
