// The headless backend: the same game with no window, no sound device and a virtual
// clock, for tests, screenshots and the --headless simulation.
//
// The virtual clock moves only while the game waits on it: reading the tick counter a
// second time at the same value moves it on by 1 ms. A loop that polls the counter until
// N ms have passed therefore ends after exactly N ms of virtual time however much work it
// does in between, and a run takes no real waiting. The seconds clock is the tick count
// divided by 1000.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/backend.h"

// A sound buffer that keeps its state (volume, position, how often it was played) but
// never plays: its status is never "playing".
struct SilentSoundBuffer : SoundBuffer {
    std::int32_t Position = 0;
    std::int32_t Volume = 0;
    std::int32_t LastPlayFlags = -1;
    int PlayCount = 0;
    int StopCount = 0;
    void SetCurrentPosition(std::int32_t bytes) override { Position = bytes; }
    void SetVolume(std::int32_t v) override { Volume = v; }
    void Play(std::int32_t flags) override { LastPlayFlags = flags; ++PlayCount; }
    void Stop() override { ++StopCount; }
    std::int32_t GetStatus() override { return 0; }
    std::int32_t GetCurrentPosition() override { return Position; }
    std::int32_t GetVolume() override { return Volume; }
};

class HeadlessBackend : public Backend {
public:
    std::uint32_t TickCount() override;
    float Seconds() override;
    void PollInput(std::vector<InputEvent>& events) override;
    bool Present(const Surface& canvas) override;
    void SetPointer(PointerKind kind, const Surface* image, const Surface* mask, int hotX,
                    int hotY) override;
    bool OpenSoundDevice() override { return SoundDevice; }
    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const std::string& path) override;
    bool Interactive() override { return AnswersMessageBoxes; }
    std::uint32_t PeekTickCount() override { return Now; }
    bool ShowsFrames() override { return ComposeFrames; }

    // Queues an input event to be delivered at the first turn at or after the tick.
    void Schedule(std::uint32_t atTick, const InputEvent& event);
    // Delivered at the very next turn.
    void Push(const InputEvent& event) { Schedule(0, event); }
    // Called at the start of every turn, before pending input is collected: scripts that
    // are keyed to something other than time (the race's frame number) hook in here.
    std::function<void()> BeforeTurn;

    // Moves the clock on by hand (tests).
    void Advance(std::uint32_t ms) { Now += ms; }

    // Whether CreateSoundBuffer / OpenSoundDevice pretend a device exists (silent
    // buffers that keep their state). On by default.
    bool SoundDevice = true;
    // A script that can press OK keeps message boxes on screen until it does; otherwise
    // they are logged and return at once.
    bool AnswersMessageBoxes = false;
    // Composing the canvas at every turn costs time nobody sees; tests of repainting turn
    // it on. Snapshots call ComposeCanvas themselves.
    bool ComposeFrames = false;
    PointerKind LastPointer = PointerKind::Default;
    int Presents = 0;

private:
    struct Scheduled {
        std::uint32_t At;
        InputEvent Event;
    };
    std::uint32_t Now = 0;
    std::uint32_t LastRead = 0xFFFFFFFFu;
    std::vector<Scheduled> Pending;
};

// Installs a fresh headless backend (with the TrueType text renderer when fonts are
// available) and returns it; the platform's forms and state are reset.
HeadlessBackend& InstallHeadlessBackend();
