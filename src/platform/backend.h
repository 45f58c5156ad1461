// The seam between the platform layer and the machine.
//
// platform.h is what the game calls; a Backend is what the platform layer calls in turn
// for the few things that need the operating system: the clock, input, showing the
// canvas, drawing text and making sound. One backend is installed at a time, at start-up:
// the windowed one (SDL2 + OpenAL Soft) or the headless one (virtual clock, scripted
// input, silent sound). Both are always built.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

struct InputEvent {
    enum class Type { MouseMove, MouseDown, MouseUp, KeyDown, KeyUp, Text, Quit };
    Type Kind = Type::MouseMove;
    int X = 0, Y = 0;    // canvas pixels (mouse events)
    int Button = 1;      // 1 left, 2 right
    int Key = 0;         // virtual-key code (key events)
    std::string Text;    // typed characters, UTF-8 (text events)
};

// Draws text for labels, list boxes and text boxes. The fontconfig + SDL_ttf renderer
// (platform/text) serves both backends; with none installed, text is simply not drawn.
struct TextRenderer {
    virtual ~TextRenderer() = default;
    // Width and height in pixels of one line of text.
    virtual void Measure(const Font& font, const std::string& text, int& width, int& height) = 0;
    // Draws the text into the rectangle, clipped to it, left-aligned or centred, wrapped
    // at word boundaries when asked.
    virtual void Draw(Surface& target, int x, int y, int w, int h, const std::string& text,
                      const Font& font, std::uint32_t pixel, Alignment align, bool wordWrap) = 0;
};

struct Backend {
    virtual ~Backend() = default;
    virtual std::uint32_t TickCount() = 0;
    virtual float Seconds() = 0;
    // Moves any pending input into the list, oldest first.
    virtual void PollInput(std::vector<InputEvent>& events) = 0;
    // Shows the composed canvas; false when it was already on screen as it is.
    virtual bool Present(const Surface& canvas) = 0;
    virtual void SetPointer(PointerKind kind, const Surface* image, const Surface* mask,
                            int hotX, int hotY) = 0;
    virtual bool OpenSoundDevice() = 0;
    // Starts opening the sound device in the background, for OpenSoundDevice to collect
    // later: asking a sound server and probing cards takes long enough to hold up the
    // first screen. A backend that opens its device at once need not.
    virtual void PrepareSoundDevice() {}
    virtual std::unique_ptr<SoundBuffer> CreateSoundBuffer(const std::string& path) = 0;
    // Headless runs have nobody to press OK: message boxes are logged and return at once.
    virtual bool Interactive() = 0;
    // The tick count as it stands, for the platform's own bookkeeping: unlike TickCount it
    // must never move a virtual clock on.
    virtual std::uint32_t PeekTickCount() { return TickCount(); }
    // Whether DoEvents should compose and present frames at all; a backend that nobody
    // looks at skips the work (snapshots call ComposeCanvas themselves).
    virtual bool ShowsFrames() { return true; }
    // Sleeps until input is waiting, a quit is pending or the tick count reaches
    // `untilTick`, so that waiting screens and the frame wait cost no processor time. A
    // virtual clock only moves when read, so the headless backend returns at once.
    virtual void WaitForInput(std::uint32_t untilTick) { (void)untilTick; }
    // Sleeps until the tick count reaches `untilTick`, input or not. A virtual clock only
    // moves when read, so the headless backend returns at once.
    virtual void Sleep(std::uint32_t untilTick) { (void)untilTick; }
    // A quit asked for outside the game's turns (a signal, the window's close button),
    // seen before any turn delivers it, so a long wait can give up at once.
    virtual bool QuitPending() { return false; }
};

void InstallBackend(Backend* backend);  // not owned
Backend* CurrentBackend();
void InstallTextRenderer(TextRenderer* renderer);  // not owned
TextRenderer* CurrentTextRenderer();

// Each backend declares its factory in its own header (sdl/windowed.h, headless/headless.h,
// text/ttf_text.h), so that only code above the backends can name one.

// Destroys every form and clears the message log and the quit request, so that a test
// or a new headless run starts from a clean window system.
void ResetPlatform();
