// The headless virtual clock, DoEvents turns, scripted input and silent sound.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "test_support.h"

namespace {

InputEvent KeyDownEvent(int key) {
    InputEvent e;
    e.Kind = InputEvent::Type::KeyDown, e.Key = key;
    return e;
}

// The game's frame wait: turns until 30 ms have passed, then one more.
std::uint32_t WaitOneFrame(int extraTurns = 0) {
    std::uint32_t start = GetTickCount();
    for (int turn = 0; turn < extraTurns; ++turn) DoEvents();
    DoEventsUntil(start, 30);
    DoEvents();
    return start;
}

}  // namespace

TEST(VirtualClock, MovesOnlyWhileTheGameWaitsAndWaitsAreExact) {
    FreshHeadless().ComposeFrames = true;
    std::uint32_t start = GetTickCount();
    for (int i = 0; i < 100; ++i) DoEvents();
    EXPECT_EQ(Timer(), static_cast<float>(start) / 1000.0f);  // turns alone take no time
    std::uint32_t previous = WaitOneFrame();
    for (int frame = 1; frame < 4; ++frame) {
        std::uint32_t next = WaitOneFrame(frame * 7);  // more work each frame, the same 30 ms
        EXPECT_EQ(next - previous, 30u);
        previous = next;
    }
    // Polling without turns ends after exactly the wait too.
    start = GetTickCount();
    std::uint32_t now = start;
    while (now - start < 1000) now = GetTickCount();
    EXPECT_EQ(now - start, 1000u);
    EXPECT_FLOAT_EQ(Timer(), now / 1000.0f);
}

TEST(VirtualClock, ScriptedKeysArriveOnTheirTickOrInTheTurnThatPushedThem) {
    HeadlessBackend& backend = FreshHeadless();
    Form* race = CreateForm("Race");
    ShowForm(race);
    int turns = 0, escapeTurn = 0;
    std::vector<std::pair<int, std::uint32_t>> heard;  // key, tick
    race->KeyDown = [&](int key) {
        if (key == vbKeyEscape) escapeTurn = turns;
        else heard.push_back({key, backend.PeekTickCount()});
    };
    backend.Schedule(45, KeyDownEvent(vbKeyUp));
    backend.Schedule(10, KeyDownEvent(vbKeyLeft));
    backend.Schedule(45, KeyDownEvent(vbKeySpace));  // same tick: in the order scheduled
    backend.BeforeTurn = [&] {  // runs before the turn collects its input
        if (++turns == 3) backend.Push(KeyDownEvent(vbKeyEscape));
    };
    for (int frame = 0; frame < 3; ++frame) WaitOneFrame();
    EXPECT_EQ(escapeTurn, 3);
    // The wait loop gives a turn at every virtual millisecond, so each key lands on its tick.
    using Heard = std::vector<std::pair<int, std::uint32_t>>;
    EXPECT_EQ(heard, (Heard{{vbKeyLeft, 10}, {vbKeyUp, 45}, {vbKeySpace, 45}}));
}

TEST(VirtualClock, RepaintsWhenAskedOrAfterInputAndOtherwiseOnlyEverySecond) {
    HeadlessBackend& backend = FreshHeadless();
    backend.ComposeFrames = true;
    DoEvents();
    EXPECT_EQ(backend.Presents, 0);  // no form shown yet: nothing to see
    ShowForm(CreateForm("Menu"));
    auto paintsAfterTurn = [&](std::uint32_t ms) {
        backend.Advance(ms);
        DoEvents();
        return backend.Presents;
    };
    EXPECT_EQ(paintsAfterTurn(0), 1);  // the first turn always paints
    EXPECT_EQ(paintsAfterTurn(0), 1);  // nothing changed, no time passed
    Refresh();
    EXPECT_EQ(paintsAfterTurn(0), 2);
    EXPECT_EQ(paintsAfterTurn(999), 2);  // a still screen costs nothing
    EXPECT_EQ(paintsAfterTurn(1), 3);    // the safety net for a change that never asked
    backend.Push(KeyDownEvent(vbKeyA));
    EXPECT_EQ(paintsAfterTurn(0), 4);  // input may have changed the screen
}

// Their state and a missing device are checked through the game's sounds elsewhere.
TEST(SilentSound, BuffersNeverReportPlaying) {
    FreshHeadless();
    ASSERT_TRUE(DirectSoundCreate());
    auto engine = CreateSoundBufferFromFile(GamePath("\\soundfx\\engine.wav"));
    ASSERT_NE(engine, nullptr);
    Play(engine.get(), DSBPLAY_LOOPING);
    EXPECT_EQ(GetStatus(engine.get()) & DSBSTATUS_PLAYING, 0);
    EXPECT_EQ(GetStatus(nullptr), 0);  // a missing sound stays silent
}
