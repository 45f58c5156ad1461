#include "platform/sdl/windowed.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sdl/openal_sound.h"

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

class WindowedBackend : public Backend {
public:
    WindowedBackend() {
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
        if (Window) Renderer = SDL_CreateRenderer(Window, -1, 0);
        if (!Renderer) {
            const std::string why = SDL_GetError();
            Release();
            throw std::runtime_error("No display available: " + why);
        }
        SDL_SetRenderDrawColor(Renderer, 0, 0, 0, 255);
        MakeTexture(CanvasWidth, CanvasHeight);
        SDL_RenderClear(Renderer);
        SDL_RenderPresent(Renderer);
        SDL_StartTextInput();
        Start = SDL_GetTicks64();
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
        return static_cast<std::uint32_t>(SDL_GetTicks64() - Start);
    }
    float Seconds() override { return static_cast<float>(TickCount()) / 1000.0f; }

    void PollInput(std::vector<InputEvent>& events) override {
        bool any = false;
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            any = true;
            Translate(e, events);
        }
        // The game's frame pacing spins on DoEvents; a 1 ms nap on the second idle call
        // within one tick keeps it from burning a whole core without delaying a frame.
        const std::uint32_t now = TickCount();
        if (!any && now == LastIdlePoll) SDL_Delay(1);
        LastIdlePoll = any ? 0xFFFFFFFFu : now;
    }

    void Present(const Surface& canvas) override {
        if (canvas.Empty()) return;
        if (canvas.Width != TextureWidth || canvas.Height != TextureHeight) {
            MakeTexture(canvas.Width, canvas.Height);
            ShownCanvas.clear();
        }
        // The platform repaints on a timer too; an unchanged canvas costs a compare, not
        // an upload and a present (which is slow without a graphics card).
        if (canvas.Pixels == ShownCanvas) return;
        ShownCanvas = canvas.Pixels;
        SDL_UpdateTexture(Texture, nullptr, canvas.Pixels.data(),
                          canvas.Width * static_cast<int>(sizeof(std::uint32_t)));
        Redraw();
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

    bool OpenSoundDevice() override {
        if (!Sound) Sound = OpenAlSound::OpenDefault();
        return Sound != nullptr;
    }

    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const std::string& path) override {
        return Sound ? Sound->CreateBuffer(path) : nullptr;
    }

    bool Interactive() override { return true; }

    SDL_Window* Window = nullptr;

private:
    void Release() {
        if (SDL_IsTextInputActive()) SDL_StopTextInput();
        for (auto& [key, cursor] : Cursors) SDL_FreeCursor(cursor);
        Cursors.clear();
        if (Arrow) SDL_FreeCursor(Arrow);
        if (Texture) SDL_DestroyTexture(Texture);
        if (Renderer) SDL_DestroyRenderer(Renderer);
        if (Window) SDL_DestroyWindow(Window);
        Arrow = nullptr;
        Texture = nullptr;
        Renderer = nullptr;
        Window = nullptr;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    void MakeTexture(int width, int height) {
        if (Texture) SDL_DestroyTexture(Texture);
        Texture = SDL_CreateTexture(Renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                    width, height);
        TextureWidth = width;
        TextureHeight = height;
        // Letterboxed in black, aspect kept, mouse events arrive in canvas pixels.
        SDL_RenderSetLogicalSize(Renderer, width, height);
    }

    // The texture keeps the last canvas, so an uncovered or resized window can be
    // repainted without asking the game.
    void Redraw() {
        SDL_RenderClear(Renderer);
        SDL_RenderCopy(Renderer, Texture, nullptr, nullptr);
        SDL_RenderPresent(Renderer);
    }

    void ToggleFullscreen() {
        const bool full = SDL_GetWindowFlags(Window) & SDL_WINDOW_FULLSCREEN_DESKTOP;
        SDL_SetWindowFullscreen(Window, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
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

    static int Clamp(int v, int size) { return std::clamp(v, 0, size - 1); }

    void Translate(const SDL_Event& e, std::vector<InputEvent>& events) {
        InputEvent in;
        switch (e.type) {
        case SDL_QUIT:
            in.Kind = InputEvent::Type::Quit;
            break;
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            // The graphics driver dropped the texture's pixels: upload the next canvas whole.
            if (e.type == SDL_RENDER_DEVICE_RESET) MakeTexture(TextureWidth, TextureHeight);
            ShownCanvas.clear();
            return;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                Redraw();
            return;
        case SDL_MOUSEMOTION:
            in.Kind = InputEvent::Type::MouseMove;
            in.X = Clamp(e.motion.x, TextureWidth);
            in.Y = Clamp(e.motion.y, TextureHeight);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            in.Kind = e.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Type::MouseDown
                                                    : InputEvent::Type::MouseUp;
            in.X = Clamp(e.button.x, TextureWidth);
            in.Y = Clamp(e.button.y, TextureHeight);
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
            return;
        }
        events.push_back(std::move(in));
    }

    SDL_Renderer* Renderer = nullptr;
    SDL_Texture* Texture = nullptr;
    int TextureWidth = 0, TextureHeight = 0;
    std::vector<std::uint32_t> ShownCanvas;  // the canvas last put on screen
    Uint64 Start = 0;
    std::uint32_t LastIdlePoll = 0xFFFFFFFFu;
    SDL_Keycode SwallowEnterUp = 0;  // the Enter of an Alt+Enter, whose release the game never saw
    std::shared_ptr<OpenAlSound> Sound;
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

std::unique_ptr<Backend> MakeWindowedBackend() { return std::make_unique<WindowedBackend>(); }
