#include "platform/sdl/windowed.h"

#include <SDL.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <future>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl/gamepad.h"
#include "platform/sdl/openal_sound.h"
#include "platform/window_system.h"

namespace {

struct KeyPair {
    SDL_Keycode Sdl;
    int Virtual;
};

// Keys outside the letter, digit and function-key runs.
constexpr KeyPair KeyTable[] = {
    {SDLK_BACKSPACE, 8},   {SDLK_TAB, 9},          {SDLK_RETURN, 13},      {SDLK_KP_ENTER, 13},
    {SDLK_LSHIFT, 16},     {SDLK_RSHIFT, 16},      {SDLK_LCTRL, 17},       {SDLK_RCTRL, 17},
    {SDLK_LALT, 18},       {SDLK_RALT, 18},        {SDLK_PAUSE, 19},       {SDLK_CAPSLOCK, 20},
    {SDLK_ESCAPE, 27},     {SDLK_SPACE, 32},       {SDLK_PAGEUP, 33},      {SDLK_PAGEDOWN, 34},
    {SDLK_END, 35},        {SDLK_HOME, 36},        {SDLK_LEFT, 37},        {SDLK_UP, 38},
    {SDLK_RIGHT, 39},      {SDLK_DOWN, 40},        {SDLK_INSERT, 45},      {SDLK_DELETE, 46},
    {SDLK_KP_0, 96},       {SDLK_KP_MULTIPLY, 106}, {SDLK_KP_PLUS, 107},   {SDLK_KP_MINUS, 109},
    {SDLK_KP_PERIOD, 110}, {SDLK_KP_DIVIDE, 111},  {SDLK_SEMICOLON, 186},  {SDLK_EQUALS, 187},
    {SDLK_COMMA, 188},     {SDLK_MINUS, 189},      {SDLK_PERIOD, 190},     {SDLK_SLASH, 191},
    {SDLK_BACKQUOTE, 192}, {SDLK_LEFTBRACKET, 219}, {SDLK_BACKSLASH, 220}, {SDLK_RIGHTBRACKET, 221},
    {SDLK_QUOTE, 222},
};

// 64-bit FNV-1a, to recognise a pointer picture the game loads again from its file.
std::uint64_t Hash(std::uint64_t h, const void* data, std::size_t bytes) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < bytes; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
    return h;
}

// SIGINT and SIGTERM only raise a flag that the game's waits look at; the game then
// unwinds and saves nothing half-way. A second signal ends the process at once, for a
// game that has stopped looking.
volatile std::sig_atomic_t QuitSignal = 0;

extern "C" void OnQuitSignal(int signal) {
    if (QuitSignal) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    QuitSignal = 1;
}

// With no graphics card, OpenGL is Mesa's software rasteriser: every frame is scaled by
// its threads and its compiler costs some 55 MiB. A real card shows as a render node the
// player may open; an X server that offers no direct rendering (Xvfb, Xvnc, a remote
// display) leaves OpenGL in software whatever card the machine has.
bool XServerRendersDirectly() {
    void* xlib = SDL_LoadObject("libX11.so.6");
    if (!xlib) return false;
    using Open = void* (*)(const char*);
    using Query = int (*)(void*, const char*, int*, int*, int*);
    using Close = int (*)(void*);
    auto open = reinterpret_cast<Open>(SDL_LoadFunction(xlib, "XOpenDisplay"));
    auto query = reinterpret_cast<Query>(SDL_LoadFunction(xlib, "XQueryExtension"));
    auto close = reinterpret_cast<Close>(SDL_LoadFunction(xlib, "XCloseDisplay"));
    bool direct = false;
    if (void* display = open && query && close ? open(nullptr) : nullptr) {
        int opcode = 0, event = 0, error = 0;
        direct = query(display, "DRI3", &opcode, &event, &error) ||
                 query(display, "DRI2", &opcode, &event, &error);
        close(display);
    }
    SDL_UnloadObject(xlib);
    return direct;
}

bool GraphicsCardAvailable() {
    const char* software = SDL_getenv("LIBGL_ALWAYS_SOFTWARE");
    if (software && *software && std::strcmp(software, "0") != 0) return false;
    bool node = false;
    for (int n = 128; n < 136 && !node; ++n)
        node = access(("/dev/dri/renderD" + std::to_string(n)).c_str(), R_OK | W_OK) == 0;
    if (!node) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    return !driver || std::strcmp(driver, "x11") != 0 || XServerRendersDirectly();
}

// An OpenGL renderer that turned out to draw in software after all.
bool DrawsInSoftware(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0)
        return false;
    using GetString = const unsigned char* (*)(unsigned);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = getString ? getString(0x1F01) : nullptr;  // GL_RENDERER
    if (!name) return false;
    const std::string text(reinterpret_cast<const char*>(name));
    for (const char* soft : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
        if (text.find(soft) != std::string::npos) return true;
    return false;
}

// Whether a window manager that follows the desktop conventions runs on the X display: it
// marks the root window with _NET_SUPPORTING_WM_CHECK. SDL asks such a manager to make a
// window fullscreen, and with none nobody does: the window keeps its size while SDL
// believes it fills the screen. Xlib is reached at run time, as its headers would clash
// with the game's names; SDL has it loaded already.
bool WindowManagerRuns() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return true;
    void* xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (!xlib) return true;
    auto open = reinterpret_cast<void* (*)(const char*)>(dlsym(xlib, "XOpenDisplay"));
    auto root = reinterpret_cast<unsigned long (*)(void*)>(dlsym(xlib, "XDefaultRootWindow"));
    auto atom = reinterpret_cast<unsigned long (*)(void*, const char*, int)>(dlsym(xlib, "XInternAtom"));
    auto property = reinterpret_cast<int (*)(void*, unsigned long, unsigned long, long, long, int,
                                             unsigned long, unsigned long*, int*, unsigned long*,
                                             unsigned long*, unsigned char**)>(
        dlsym(xlib, "XGetWindowProperty"));
    auto release = reinterpret_cast<int (*)(void*)>(dlsym(xlib, "XFree"));
    auto close = reinterpret_cast<int (*)(void*)>(dlsym(xlib, "XCloseDisplay"));
    bool runs = true;
    void* display = open && root && atom && property && release && close ? open(nullptr) : nullptr;
    if (display) {
        const unsigned long check = atom(display, "_NET_SUPPORTING_WM_CHECK", 1);
        unsigned long type = 0, items = 0, after = 0;
        int format = 0;
        unsigned char* value = nullptr;
        constexpr int Success = 0;
        runs = check != 0 &&
               property(display, root(display), check, 0, 1, 0, 0, &type, &format, &items, &after,
                        &value) == Success &&
               type != 0 && items > 0;
        if (value) release(value);
        close(display);
    }
    dlclose(xlib);
    return runs;
}

class WindowedBackend : public Backend {
public:
    WindowedBackend() {
        // Our own signal handlers, so a signal is seen even while no event is pumped.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        // The window surface must stay a plain X image: SDL would otherwise back it with
        // an OpenGL texture, which without a card is the expensive software rasteriser.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            throw std::runtime_error(std::string("No display available: ") + SDL_GetError());
        RefuseInvisibleDriver();
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
        SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");

        // Start at the canvas's own size, shrunk with its aspect kept on a smaller desktop.
        int width = CanvasWidth, height = CanvasHeight;
        SDL_Rect usable;
        if (SDL_GetDisplayUsableBounds(0, &usable) == 0 && usable.w > 0 && usable.h > 0) {
            const double scale = std::min({1.0, double(usable.w) / width, double(usable.h) / height});
            width = std::max(1, int(width * scale));
            height = std::max(1, int(height * scale));
        }
        Window = SDL_CreateWindow("Gravel Ghosts Racer", SDL_WINDOWPOS_CENTERED,
                                  SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_RESIZABLE);
        if (Window) ChoosePresenter();
        if (!Window || (!Renderer && !SDL_GetWindowSurface(Window))) {
            const std::string why = SDL_GetError();
            Release();
            throw std::runtime_error("No display available: " + why);
        }
        SDL_StartTextInput();
        Pads = std::make_unique<Gamepads>();
        Start = Clock::now();
        InstallSignalHandlers();
    }

    ~WindowedBackend() override { Release(); }

    // With no screen SDL falls back to drivers that draw nowhere, and the game would run
    // unseen for ever. They are used only when SDL_VIDEODRIVER asks for them by name.
    static void RefuseInvisibleDriver() {
        const char* driver = SDL_GetCurrentVideoDriver();
        if (!driver || (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0))
            return;
        const char* asked = SDL_getenv("SDL_VIDEODRIVER");
        if (asked && std::strstr(asked, driver)) return;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        throw std::runtime_error("No display available: SDL found no screen, only its " +
                                 std::string(driver) + " driver");
    }

    std::uint32_t TickCount() override {
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - Start).count());
    }
    float Seconds() override { return static_cast<float>(TickCount()) / 1000.0f; }

    void PollInput(std::vector<InputEvent>& events) override {
        bool any = false;
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            any = true;
            Translate(e, events);
        }
        // A loop that spins on DoEvents without WaitForInput (the save's short wait) naps
        // 1 ms on the second idle call within one tick rather than burning a whole core.
        const std::uint32_t now = TickCount();
        if (!any && now == LastIdlePoll) SDL_Delay(1);
        LastIdlePoll = any ? 0xFFFFFFFFu : now;
    }

    bool Present(const Surface& canvas) override {
        if (canvas.Empty()) return false;
        if (canvas.Width != CanvasW || canvas.Height != CanvasH) {
            CanvasW = canvas.Width;
            CanvasH = canvas.Height;
            if (Renderer) MakeTexture();
            Shown.clear();
        }
        const std::vector<ClipRect> changed = ChangedBlocks(Shown, canvas);
        if (changed.empty()) return false;
        if (Shown.size() != canvas.Pixels.size()) {
            ReserveLargePixels(Shown, canvas.Pixels.size());
            Shown.assign(canvas.Pixels.begin(), canvas.Pixels.end());
            WrapShown();
        } else {
            for (const ClipRect& r : changed)
                for (int y = r.Y0; y < r.Y1; ++y)
                    std::copy_n(&canvas.Pixels[std::size_t(y) * CanvasW + r.X0], r.X1 - r.X0,
                                &Shown[std::size_t(y) * CanvasW + r.X0]);
        }
        Show(changed);
        return true;
    }

    void WaitForInput(std::uint32_t untilTick) override {
        const auto deadline = Start + std::chrono::milliseconds(untilTick);
        for (;;) {
            if (QuitSignal) return;
            const auto left = deadline - Clock::now();
            if (left <= Clock::duration::zero()) return;
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(left).count();
            if (ms >= 2) {
                // SDL wakes on input; the last millisecond is slept precisely below, so
                // frames keep their 30 ms beat instead of drifting by a tick.
                if (SDL_WaitEventTimeout(nullptr, static_cast<int>(ms - 1)) == 1) return;
                continue;
            }
            SDL_PumpEvents();
            if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
            std::this_thread::sleep_until(deadline);
            return;
        }
    }

    void Sleep(std::uint32_t untilTick) override {
        if (!QuitSignal) std::this_thread::sleep_until(Start + std::chrono::milliseconds(untilTick));
    }

    bool QuitPending() override {
        if (QuitSignal) return true;
        // The close button arrives as an event: look for it now and then without taking
        // any other event out of its turn (keys during the start lights must wait).
        const auto now = Clock::now();
        if (now - LastQuitLook < std::chrono::milliseconds(20)) return false;
        LastQuitLook = now;
        SDL_PumpEvents();
        return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0;
    }

    // Which presenter was chosen, for tests and --stats readers: "window surface" or
    // the SDL renderer's name.
    std::string PresenterName() const {
        if (!Renderer) return "window surface";
        SDL_RendererInfo info;
        return SDL_GetRendererInfo(Renderer, &info) == 0 ? info.name : "renderer";
    }

    void SetPointer(PointerKind kind, const Surface* image, const Surface* mask, int hotX,
                    int hotY) override {
        if (kind == PointerKind::Invisible) {
            ShowCursor(false);
            return;
        }
        SDL_Cursor* cursor = nullptr;
        if (kind == PointerKind::Custom && image && !image->Empty())
            cursor = CustomCursor(*image, mask, hotX, hotY);
        if (!cursor) {
            if (!Arrow) Arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
            cursor = Arrow;
        }
        if (cursor && cursor != CurrentCursor) {
            SDL_SetCursor(cursor);
            CurrentCursor = cursor;
        }
        ShowCursor(true);
    }

    void PrepareSoundDevice() override {
        if (!Sound && !SoundOpening.valid())
            SoundOpening = std::async(std::launch::async, OpenAlSound::OpenDefault);
    }

    bool OpenSoundDevice() override {
        if (SoundOpening.valid()) Sound = SoundOpening.get();
        else if (!Sound) Sound = OpenAlSound::OpenDefault();
        return Sound != nullptr;
    }

    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const std::string& path) override {
        return Sound ? Sound->CreateBuffer(path) : nullptr;
    }

    bool Interactive() override { return true; }

    SDL_Window* Window = nullptr;

private:
    using Clock = std::chrono::steady_clock;

    void InstallSignalHandlers() {
        QuitSignal = 0;
        struct sigaction action {};
        action.sa_handler = OnQuitSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &OldInterrupt);
        sigaction(SIGTERM, &action, &OldTerminate);
        HandlersInstalled = true;
    }

    void Release() {
        if (HandlersInstalled) {
            sigaction(SIGINT, &OldInterrupt, nullptr);
            sigaction(SIGTERM, &OldTerminate, nullptr);
            HandlersInstalled = false;
        }
        Pads.reset();
        if (SDL_IsTextInputActive()) SDL_StopTextInput();
        for (auto& [key, cursor] : Cursors) SDL_FreeCursor(cursor);
        Cursors.clear();
        if (Arrow) SDL_FreeCursor(Arrow);
        if (ShownSurface) SDL_FreeSurface(ShownSurface);
        if (Texture) SDL_DestroyTexture(Texture);
        if (Renderer) SDL_DestroyRenderer(Renderer);
        if (Window) SDL_DestroyWindow(Window);
        Arrow = nullptr;
        ShownSurface = nullptr;
        Texture = nullptr;
        Renderer = nullptr;
        Window = nullptr;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    // SDL_RENDER_DRIVER names a renderer and is obeyed; otherwise a card gets the
    // accelerated renderer (it scales a fullscreen window for free) and a machine
    // without one gets the window surface, copied into with no OpenGL at all.
    void ChoosePresenter() {
        const char* asked = SDL_getenv("SDL_RENDER_DRIVER");
        const bool named = asked && *asked;
        if (!named && !GraphicsCardAvailable()) return;
        Renderer = SDL_CreateRenderer(Window, -1, named ? 0 : SDL_RENDERER_ACCELERATED);
        if (Renderer && !named && DrawsInSoftware(Renderer)) {
            SDL_DestroyRenderer(Renderer);
            Renderer = nullptr;
        }
        if (!Renderer) return;
        SDL_SetRenderDrawColor(Renderer, 0, 0, 0, 255);
        MakeTexture();
    }

    void MakeTexture() {
        if (Texture) SDL_DestroyTexture(Texture);
        Texture = SDL_CreateTexture(Renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                    CanvasW, CanvasH);
        // Letterboxed in black, aspect kept, mouse events arrive in canvas pixels.
        SDL_RenderSetLogicalSize(Renderer, CanvasW, CanvasH);
    }

    // The last canvas shown, as a surface SDL can blit from.
    void WrapShown() {
        if (ShownSurface) SDL_FreeSurface(ShownSurface);
        ShownSurface = SDL_CreateRGBSurfaceWithFormatFrom(
            Shown.data(), CanvasW, CanvasH, 32, CanvasW * int(sizeof(std::uint32_t)),
            SDL_PIXELFORMAT_RGB888);
    }

    // Where the canvas sits in a window of the given size: scaled to fit, aspect kept,
    // centred between black bars.
    SDL_Rect Letterbox(int windowW, int windowH) const {
        const double scale = std::min(double(windowW) / CanvasW, double(windowH) / CanvasH);
        const int w = std::max(1, int(CanvasW * scale)), h = std::max(1, int(CanvasH * scale));
        return {(windowW - w) / 2, (windowH - h) / 2, w, h};
    }

    // Puts the changed blocks of the shown canvas on screen.
    void Show(const std::vector<ClipRect>& changed) {
        if (Renderer) {
            for (const ClipRect& r : changed) {
                const SDL_Rect rect{r.X0, r.Y0, r.X1 - r.X0, r.Y1 - r.Y0};
                SDL_UpdateTexture(Texture, &rect, &Shown[std::size_t(r.Y0) * CanvasW + r.X0],
                                  CanvasW * int(sizeof(std::uint32_t)));
            }
            Redraw();
            return;
        }
        SDL_Surface* screen = SDL_GetWindowSurface(Window);
        if (!screen || !ShownSurface) return;
        const SDL_Rect box = Letterbox(screen->w, screen->h);
        if (box.w != CanvasW || box.h != CanvasH) {
            Redraw();  // a scaled window is drawn whole
            return;
        }
        std::vector<SDL_Rect> rects;
        for (const ClipRect& r : changed) {
            SDL_Rect from{r.X0, r.Y0, r.X1 - r.X0, r.Y1 - r.Y0};
            SDL_Rect to{r.X0 + box.x, r.Y0 + box.y, from.w, from.h};
            SDL_BlitSurface(ShownSurface, &from, screen, &to);
            rects.push_back({r.X0 + box.x, r.Y0 + box.y, from.w, from.h});
        }
        SDL_UpdateWindowSurfaceRects(Window, rects.data(), int(rects.size()));
    }

    // The whole window again from the last canvas shown, without asking the game: after
    // it was uncovered, resized or made fullscreen.
    void Redraw() {
        if (Renderer) {
            SDL_RenderClear(Renderer);
            SDL_RenderCopy(Renderer, Texture, nullptr, nullptr);
            SDL_RenderPresent(Renderer);
            return;
        }
        SDL_Surface* screen = SDL_GetWindowSurface(Window);
        if (!screen) return;
        SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
        if (ShownSurface) {
            SDL_Rect box = Letterbox(screen->w, screen->h);
            if (box.w == CanvasW && box.h == CanvasH) SDL_BlitSurface(ShownSurface, nullptr, screen, &box);
            else SDL_BlitScaled(ShownSurface, nullptr, screen, &box);
        }
        SDL_UpdateWindowSurface(Window);
    }

    // Window pixels to canvas pixels: the renderer does this itself, the window surface
    // leaves it to us.
    void ToCanvas(int& x, int& y) {
        if (!Renderer) {
            int w = 0, h = 0;
            SDL_GetWindowSize(Window, &w, &h);
            const SDL_Rect box = Letterbox(w, h);
            x = int(std::floor((x - box.x) * double(CanvasW) / box.w));
            y = int(std::floor((y - box.y) * double(CanvasH) / box.h));
        }
        x = std::clamp(x, 0, CanvasW - 1);
        y = std::clamp(y, 0, CanvasH - 1);
    }

    // With a window manager SDL's fullscreen is the real thing; without one the window
    // covers the display itself, with no border, and goes back where it was.
    void ToggleFullscreen() {
        if (Covering) {
            SDL_SetWindowBordered(Window, SDL_TRUE);
            SDL_SetWindowSize(Window, Uncovered.w, Uncovered.h);
            SDL_SetWindowPosition(Window, Uncovered.x, Uncovered.y);
            Covering = false;
        } else if (SDL_GetWindowFlags(Window) & SDL_WINDOW_FULLSCREEN) {
            SDL_SetWindowFullscreen(Window, 0);
        } else if (SDL_Rect display; !WindowManagerRuns() &&
                   SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(Window)), &display) == 0) {
            SDL_GetWindowPosition(Window, &Uncovered.x, &Uncovered.y);
            SDL_GetWindowSize(Window, &Uncovered.w, &Uncovered.h);
            SDL_SetWindowBordered(Window, SDL_FALSE);
            SDL_SetWindowPosition(Window, display.x, display.y);
            SDL_SetWindowSize(Window, display.w, display.h);
            Covering = true;
        } else {
            SDL_SetWindowFullscreen(Window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        }
        Redraw();
    }

    void ShowCursor(bool visible) {
        if (visible != CursorVisible) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
        CursorVisible = visible;
    }

    SDL_Cursor* CustomCursor(const Surface& image, const Surface* mask, int hotX, int hotY) {
        std::uint64_t key = 0xCBF29CE484222325ull;
        const int header[4] = {image.Width, image.Height, hotX, hotY};
        key = Hash(key, header, sizeof header);
        key = Hash(key, image.Pixels.data(), image.Pixels.size() * sizeof(std::uint32_t));
        if (mask) key = Hash(key, mask->Pixels.data(), mask->Pixels.size() * sizeof(std::uint32_t));
        if (auto found = Cursors.find(key); found != Cursors.end()) return found->second;

        SDL_Surface* pixels = SDL_CreateRGBSurfaceWithFormat(0, image.Width, image.Height, 32,
                                                             SDL_PIXELFORMAT_ARGB8888);
        if (!pixels) return nullptr;
        for (int y = 0; y < image.Height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(pixels->pixels) +
                                                         y * pixels->pitch);
            for (int x = 0; x < image.Width; ++x) {
                const bool drawn = !mask || x >= mask->Width || y >= mask->Height ||
                                   mask->Pixel(x, y) != 0;
                row[x] = drawn ? (0xFF000000u | image.Pixel(x, y)) : 0;
            }
        }
        SDL_Cursor* cursor = SDL_CreateColorCursor(pixels, std::clamp(hotX, 0, image.Width - 1),
                                                   std::clamp(hotY, 0, image.Height - 1));
        SDL_FreeSurface(pixels);
        if (cursor) Cursors[key] = cursor;
        return cursor;
    }

    void Translate(const SDL_Event& e, std::vector<InputEvent>& events) {
        InputEvent in;
        switch (e.type) {
        case SDL_QUIT:
            in.Kind = InputEvent::Type::Quit;
            break;
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            // The graphics driver dropped the texture's pixels: upload the next canvas whole.
            if (e.type == SDL_RENDER_DEVICE_RESET && Renderer) MakeTexture();
            Shown.clear();
            return;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                Redraw();
            return;
        case SDL_MOUSEMOTION:
            in.Kind = InputEvent::Type::MouseMove;
            in.X = e.motion.x, in.Y = e.motion.y;
            ToCanvas(in.X, in.Y);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            in.Kind = e.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Type::MouseDown
                                                    : InputEvent::Type::MouseUp;
            in.X = e.button.x, in.Y = e.button.y;
            ToCanvas(in.X, in.Y);
            if (e.button.button == SDL_BUTTON_LEFT) in.Button = 1;
            else if (e.button.button == SDL_BUTTON_RIGHT) in.Button = 2;
            else if (e.button.button == SDL_BUTTON_MIDDLE) in.Button = 4;
            else return;
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const SDL_Keycode sym = e.key.keysym.sym;
            const bool down = e.type == SDL_KEYDOWN;
            // Fullscreen toggles belong to the window, not to the game.
            const bool altEnter = (sym == SDLK_RETURN || sym == SDLK_KP_ENTER) &&
                                  (e.key.keysym.mod & KMOD_ALT);
            if (sym == SDLK_F11 || altEnter || (!down && SwallowEnterUp && sym == SwallowEnterUp)) {
                if (down && !e.key.repeat) ToggleFullscreen();
                SwallowEnterUp = (down && altEnter) ? sym : 0;
                return;
            }
            in.Kind = down ? InputEvent::Type::KeyDown : InputEvent::Type::KeyUp;
            in.Key = VirtualKeyFromSdl(sym);
            if (in.Key == 0) return;
            break;
        }
        case SDL_TEXTINPUT:
            in.Kind = InputEvent::Type::Text;
            in.Text = e.text.text;
            break;
        default:
            if (Pads) Pads->Translate(e, events);
            return;
        }
        events.push_back(std::move(in));
    }

    SDL_Renderer* Renderer = nullptr;  // none: the window surface presents
    SDL_Texture* Texture = nullptr;
    int CanvasW = CanvasWidth, CanvasH = CanvasHeight;
    std::vector<std::uint32_t> Shown;  // the canvas as it is on screen
    SDL_Surface* ShownSurface = nullptr;
    Clock::time_point Start;
    Clock::time_point LastQuitLook;
    std::uint32_t LastIdlePoll = 0xFFFFFFFFu;
    struct sigaction OldInterrupt {}, OldTerminate {};
    bool HandlersInstalled = false;
    bool Covering = false;  // fullscreen without a window manager: where the window was
    SDL_Rect Uncovered{};
    SDL_Keycode SwallowEnterUp = 0;  // the Enter of an Alt+Enter, whose release the game never saw
    std::shared_ptr<OpenAlSound> Sound;
    std::unique_ptr<Gamepads> Pads;
    std::future<std::shared_ptr<OpenAlSound>> SoundOpening;  // waited for before Sound goes
    std::map<std::uint64_t, SDL_Cursor*> Cursors;
    SDL_Cursor* Arrow = nullptr;
    SDL_Cursor* CurrentCursor = nullptr;
    bool CursorVisible = true;
};

}  // namespace

int VirtualKeyFromSdl(std::int32_t sdlKey) {
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return 'A' + (sdlKey - SDLK_a);
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return '0' + (sdlKey - SDLK_0);
    if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12) return 112 + (sdlKey - SDLK_F1);
    if (sdlKey >= SDLK_F13 && sdlKey <= SDLK_F24) return 124 + (sdlKey - SDLK_F13);
    if (sdlKey >= SDLK_KP_1 && sdlKey <= SDLK_KP_9) return 97 + (sdlKey - SDLK_KP_1);
    for (const KeyPair& pair : KeyTable)
        if (pair.Sdl == sdlKey) return pair.Virtual;
    return 0;
}

SDL_Window* WindowOf(Backend* backend) {
    auto* windowed = dynamic_cast<WindowedBackend*>(backend);
    return windowed ? windowed->Window : nullptr;
}

std::string PresenterOf(Backend* backend) {
    auto* windowed = dynamic_cast<WindowedBackend*>(backend);
    return windowed ? windowed->PresenterName() : "";
}

std::unique_ptr<Backend> MakeWindowedBackend() { return std::make_unique<WindowedBackend>(); }
