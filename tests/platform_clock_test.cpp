// The headless virtual clock, DoEvents turns, scripted input and silent sound.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "test_support.h"

namespace {

InputEvent KeyDownEvent(int key) {
    InputEvent e;
    e.Kind = InputEvent::Type::KeyDown;
    e.Key = key;
    return e;
}

}  // namespace

TEST(VirtualClock, FrameWaitLoopTakesExactlyThirtyMillisecondsWhateverTheWork) {
    FreshHeadless();
    std::vector<std::uint32_t> starts;
    for (int frame = 0; frame < 4; ++frame) {
        std::uint32_t start = GetTickCount();
        starts.push_back(start);
        for (int work = 0; work < frame * 7; ++work) DoEvents();  // more work each frame
        while (GetTickCount() - start < 30) DoEvents();
        DoEvents();
    }
    for (std::size_t i = 1; i < starts.size(); ++i) EXPECT_EQ(starts[i] - starts[i - 1], 30u);
}

TEST(VirtualClock, WaitWithoutTurnsEndsAfterExactlyTheWait) {
    FreshHeadless();
    std::uint32_t start = GetTickCount();
    std::uint32_t now = start;
    while (now - start < 1000) now = GetTickCount();
    EXPECT_EQ(now - start, 1000u);
    EXPECT_FLOAT_EQ(Timer(), 1.0f);
}

TEST(VirtualClock, DoEventsAloneNeverMovesTheClock) {
    FreshHeadless().ComposeFrames = true;
    std::uint32_t start = GetTickCount();
    for (int i = 0; i < 100; ++i) DoEvents();
    EXPECT_EQ(Timer(), static_cast<float>(start) / 1000.0f);
}

TEST(VirtualClock, ScheduledKeysArriveAtTheFirstTurnAtOrAfterTheirTick) {
    HeadlessBackend& backend = FreshHeadless();
    Form* race = CreateForm("Race");
    ShowForm(race);
    std::vector<std::pair<int, std::uint32_t>> heard;  // key, tick
    race->KeyDown = [&](int key) { heard.push_back({key, backend.PeekTickCount()}); };
    backend.Schedule(45, KeyDownEvent(vbKeyUp));
    backend.Schedule(10, KeyDownEvent(vbKeyLeft));
    backend.Schedule(45, KeyDownEvent(vbKeySpace));  // same tick: in the order scheduled
    for (int frame = 0; frame < 3; ++frame) {
        std::uint32_t start = GetTickCount();
        while (GetTickCount() - start < 30) DoEvents();
        DoEvents();
    }
    // The wait loop gives a turn at every virtual millisecond, so each key lands on its tick.
    using Heard = std::vector<std::pair<int, std::uint32_t>>;
    EXPECT_EQ(heard, (Heard{{vbKeyLeft, 10}, {vbKeyUp, 45}, {vbKeySpace, 45}}));
}

TEST(VirtualClock, BeforeTurnRunsFirstSoItsInputArrivesTheSameTurn) {
    HeadlessBackend& backend = FreshHeadless();
    Form* race = CreateForm("Race");
    ShowForm(race);
    int turns = 0;
    std::vector<int> keys;
    race->KeyDown = [&](int key) { keys.push_back(key); };
    backend.BeforeTurn = [&] {
        if (++turns == 3) backend.Push(KeyDownEvent(vbKeyEscape));
    };
    DoEvents();
    DoEvents();
    EXPECT_TRUE(keys.empty());
    DoEvents();
    EXPECT_EQ(keys, std::vector<int>{vbKeyEscape});
}

TEST(VirtualClock, RepaintsWhenAskedOrEveryTenMilliseconds) {
    HeadlessBackend& backend = FreshHeadless();
    backend.ComposeFrames = true;
    DoEvents();  // the first turn always paints
    EXPECT_EQ(backend.Presents, 1);
    DoEvents();
    EXPECT_EQ(backend.Presents, 1);  // nothing changed, no time passed
    Refresh();
    DoEvents();
    EXPECT_EQ(backend.Presents, 2);
    backend.Advance(9);
    DoEvents();
    EXPECT_EQ(backend.Presents, 2);
    backend.Advance(1);  // 10 ms since the last paint
    DoEvents();
    EXPECT_EQ(backend.Presents, 3);
    backend.Push(KeyDownEvent(vbKeyA));
    DoEvents();
    EXPECT_EQ(backend.Presents, 4);  // input may have changed the screen
}

TEST(SilentSound, BuffersKeepTheirStateButNeverPlay) {
    HeadlessBackend& backend = FreshHeadless();
    ASSERT_TRUE(DirectSoundCreate());
    auto engine = CreateSoundBufferFromFile(GamePath("\\soundfx\\engine.wav"));
    ASSERT_NE(engine, nullptr);
    SetVolume(engine.get(), -2500);
    SetCurrentPosition(engine.get(), 4410);
    Play(engine.get(), DSBPLAY_LOOPING);
    EXPECT_EQ(GetStatus(engine.get()) & DSBSTATUS_PLAYING, 0);
    EXPECT_EQ(engine->GetVolume(), -2500);
    EXPECT_EQ(engine->GetCurrentPosition(), 4410);
    auto* silent = static_cast<SilentSoundBuffer*>(engine.get());
    EXPECT_EQ(silent->LastPlayFlags, DSBPLAY_LOOPING);
    Stop(engine.get());
    EXPECT_EQ(silent->StopCount, 1);
    // Null buffers are ignored: a missing sound stays silent.
    Play(nullptr, 0);
    EXPECT_EQ(GetStatus(nullptr), 0);
    backend.SoundDevice = false;
    EXPECT_FALSE(DirectSoundCreate());
    EXPECT_EQ(CreateSoundBufferFromFile("x.wav"), nullptr);
}
