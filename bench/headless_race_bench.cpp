// Whole headless races on course 1 with the autopilot at the wheel, counted in race frames
// per second of real time, with and without drawing. Drawing only reads the race, so the
// two runs play the same race; the goal without drawing is at least 50,000 frames/s.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/app.h"
#include "career/career.h"
#include "course/course.h"
#include "platform/headless/headless.h"
#include "race/race_internal.h"
#include "sound/sound.h"

namespace {

// The benchmark runs from build/, the game's data is in build/game.
void UseTheBuiltGame() {
    std::string game = AppPath() + "/game";
    if (std::filesystem::exists(game + "/resources/Map1.ddt")) SetAppPath(game);
}

// A race nobody finishes still ends, as the headless runner's frame limit ends it.
void StopRunawayRace() {
    if (Race.Frame >= 20000 && Race.Outcome == Outcome::Running) Race.Outcome = Outcome::Stopped;
}

void BM_HeadlessRace(benchmark::State& state) {
    InstallHeadlessBackend();
    UseTheBuiltGame();
    SoundEnabled = false;
    Settings = GameSettings{};
    AutopilotEnabled = true;
    DrawingEnabled = state.range(0) != 0;
    RaceWatch watch(StopRunawayRace);
    LoadRaceScreen();
    DriverNames[10] = "Bench";

    std::int64_t frames = 0;
    for (auto _ : state) {
        // Every race the first of a new career, so that wear never carries over.
        state.PauseTiming();
        Randomize(1);
        BeginNewCareer();
        state.ResumeTiming();
        RunRace(CareerRace());
        frames += Race.Frame;
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames),
                                                    benchmark::Counter::kIsRate);
    state.counters["frames/race"] = static_cast<double>(frames) / state.iterations();
    DrawingEnabled = true;
    AutopilotEnabled = false;
}
BENCHMARK(BM_HeadlessRace)->ArgName("drawing")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
