// The headless simulation: one race on the virtual clock, keys from a script, a trace of
// every car after every frame, and a one-line report.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "app/app.h"
#include "career/career.h"
#include "course/course.h"
#include "frontend/frontend.h"
#include "platform/headless/headless.h"
#include "race/race.h"
#include "settings/settings.h"
#include "sound/sound.h"

namespace {

struct CarResult {
    i16 Status, LapCount, LapCountHigh;
    i32 Cash;
    f32 Body, Engine, Tyres;
};

// The run's state, which the race's watch and the backend's turns share.
struct Simulation {
    std::vector<ScriptedKey> Keys;
    std::size_t NextKey = 0;
    bool Tracing = false;
    std::string Trace;  // written whole at the end, so a failed run leaves no half trace
    std::vector<Snapshot> Snapshots;
    int MaxFrames = 0;
    bool Ended = false;
    int Outcome = 0;
    int Frames = 0;
    i16 Finishers = 0;
    f32 BestLap = 0;
    std::vector<CarResult> Results;
    RaceResults Order;
};
Simulation* Sim = nullptr;

void WriteTraceLine(std::string& out, int car) {
    const CarRecord& c = Cars[car];
    char line[1024];
    std::snprintf(line, sizeof line,
                  "{\"frame\":%d,\"car\":%d,\"ScreenX\":%.9g,\"ScreenY\":%.9g,\"CourseX\":%.9g,"
                  "\"CourseY\":%.9g,\"VelX\":%.9g,\"VelY\":%.9g,\"Speed\":%.9g,\"Heading\":%d,"
                  "\"Steer\":%d,\"SteerCount\":%d,\"Pedal\":%d,\"Brake\":%d,\"Gear\":%d,"
                  "\"TileCol\":%d,\"TileRow\":%d,\"TileX\":%.9g,\"TileY\":%.9g,\"Skidding\":%d,"
                  "\"Drift\":%d,\"Tyres\":%.9g,\"Body\":%.9g,\"Engine\":%.9g,\"Status\":%d,"
                  "\"LapCount\":%d,\"LapCountHigh\":%d,\"FxState\":%d,\"Cash\":%d}\n",
                  Race.Frame, car, double(c.ScreenX), double(c.ScreenY), double(c.CourseX),
                  double(c.CourseY), double(c.VelX), double(c.VelY), double(c.Speed), c.Heading,
                  c.Steer, c.SteerCount, c.Pedal, c.Brake, c.Gear, c.TileCol, c.TileRow,
                  double(c.TileX), double(c.TileY), c.Skidding, c.Drift, double(c.Tyres),
                  double(c.Body), double(c.Engine), static_cast<int>(c.Status), c.LapCount,
                  c.LapCountHigh, c.FxState, static_cast<int>(c.Cash));
    out += line;
}

// Keys reach the race window's handlers in the turns of their frame, never before green.
void DeliverKeys() {
    if (!Sim || Sim->Ended || !RaceInProgress || Race.Frame < 1) return;
    while (Sim->NextKey < Sim->Keys.size() && Sim->Keys[Sim->NextKey].Frame <= Race.Frame) {
        // Taken off the script first: the T key gives the window a turn of its own.
        ScriptedKey key = Sim->Keys[Sim->NextKey++];
        const KeyHandler& handler = key.Down ? RaceWindow->KeyDown : RaceWindow->KeyUp;
        if (handler) handler(key.KeyCode);
    }
    // A pause (an Escape's question too) that no key left in the script can end would
    // hold the race for ever: it stops there, as the frame limit stops it.
    if (Race.Paused && Sim->NextKey == Sim->Keys.size() && Race.Outcome == Outcome::Running)
        Race.Outcome = Outcome::Stopped;
}

void AfterFrame() {
    if (Sim->Tracing)
        for (int i = 0; i <= Race.LastCarIndex; ++i) WriteTraceLine(Sim->Trace, i);
    for (const Snapshot& shot : Sim->Snapshots)
        if (shot.Frame == Race.Frame) SavePicture(PlayArea[1]->Picture, shot.File);
    if (Race.Frame >= Sim->MaxFrames && Race.Outcome == Outcome::Running)
        Race.Outcome = Outcome::Stopped;
}

// The report is what the race left, before the prize and the next set-up.
void CaptureResults() {
    Sim->Ended = true;
    Sim->Outcome = Race.Outcome == Outcome::Stopped ? 0 : static_cast<int>(Race.Outcome);
    Sim->Frames = Race.Frame;
    Sim->Finishers = Race.FinishCount;
    Sim->BestLap = Race.BestLapTime;
    Sim->Order = LastResults;
    for (int i = 0; i <= Race.LastCarIndex; ++i) {
        const CarRecord& c = Cars[i];
        Sim->Results.push_back({static_cast<i16>(c.Status), c.LapCount, c.LapCountHigh, c.Cash,
                                c.Body, c.Engine, c.Tyres});
    }
}

void PrintReport(const GameOptions& options) {
    std::printf("{\"course\":%d,\"seed\":%llu,\"outcome\":%d,\"frames\":%d,\"FinishCount\":%d,"
                "\"BestLapTime\":%.9g,\"cars\":[",
                options.Course, static_cast<unsigned long long>(options.Seed), Sim->Outcome,
                Sim->Frames, Sim->Finishers, double(Sim->BestLap));
    for (std::size_t i = 0; i < Sim->Results.size(); ++i) {
        const CarResult& r = Sim->Results[i];
        std::printf("%s{\"Status\":%d,\"LapCount\":%d,\"LapCountHigh\":%d,\"Cash\":%d,"
                    "\"Body\":%.9g,\"Engine\":%.9g,\"Tyres\":%.9g}",
                    i ? "," : "", r.Status, r.LapCount, r.LapCountHigh, static_cast<int>(r.Cash),
                    double(r.Body), double(r.Engine), double(r.Tyres));
    }
    // The finishing order as the results board shows it.
    std::printf("],\"order\":[");
    for (int i = 0; i < Sim->Order.Count; ++i) {
        const ResultRow& row = Sim->Order.Rows[i];
        std::printf("%s{\"car\":%d,\"time\":\"%s\"}", i ? "," : "", row.Car,
                    ResultTime(row).c_str());
    }
    std::printf("]}\n");
}

// A time trial's report: the time as the HUD writes it ("" when the player was not home),
// the laps he completed, and whether the run is the course's record now. A ghost check
// also gives the record it replayed.
void PrintTrialReport(const GameOptions& options, const CourseRaceResult& result) {
    const CarResult& player = Sim->Results.front();
    const int laps = std::max(0, std::min<int>(player.LapCountHigh, RaceLaps));
    std::string time = result.Times.Race ? HundredthsText(result.Times.Race) : "";
    std::string bestLap = result.Times.Lap ? HundredthsText(result.Times.Lap) : "";
    std::printf("{\"course\":%d,\"difficulty\":\"%s\",\"outcome\":%d,\"frames\":%d,"
                "\"time\":\"%s\",\"laps\":%d,\"best_lap\":\"%s\"",
                options.Course, options.Easy ? "easy" : "normal", Sim->Outcome, Sim->Frames,
                time.c_str(), laps, bestLap.c_str());
    if (options.GhostCheck) {
        CourseRecord record = ReadRecords({options.Course, ""}, options.Easy, RaceMode::Trial).Race;
        std::printf(",\"record_time\":\"%s\"}\n",
                    record.Hundredths ? HundredthsText(record.Hundredths).c_str() : "");
    } else {
        std::printf(",\"record\":%s,\"lap_record\":%s}\n", result.News.Race ? "true" : "false",
                    result.News.Lap ? "true" : "false");
    }
}

struct SimulationHooks {
    ~SimulationHooks() {
        DrawingEnabled = true;
        Sim = nullptr;
        ClearGhost();
    }
};

}  // namespace

void SetUpHeadlessRace(const GameOptions& options) {
    Randomize(options.Seed);
    CourseFile = options.CourseFile;
    SoundEnabled = false;  // silent whatever --mute says
    Settings.Difficulty = options.Easy ? DifficultyEasy : DifficultyNormal;
    Settings.ColourDepth = 8;
    Settings.ViewSizeMode = 2;
    AutopilotEnabled = options.Autopilot;
    // A fresh headless platform keeps none of an earlier run's windows: a front end that an
    // abandoned race brought back in this process is gone with them.
    std::vector<Form*> forms = FormsInZOrder();
    if (std::find(forms.begin(), forms.end(), FrontEnd) == forms.end()) FrontEnd = nullptr;
    LoadRaceScreen();
    DriverNames[PlayerNameEntry] = options.HasName ? options.Name
                      : Int(Rnd() * 2) == 1 ? "Gustav"
                                            : "Nadine";
    if (options.CareerFile.empty()) {
        BeginNewCareer();
    } else if (!FileExists(options.CareerFile) || !LoadCareerFile(options.CareerFile)) {
        throw std::runtime_error("cannot load the career file " + options.CareerFile);
    }
    // As the L key and a repeated set-up would take the career there.
    if (options.HasCourse || options.CareerFile.empty())
        CurrentCourse = static_cast<i16>(options.Course);
    SetUpRepeatRace();
}

int RunHeadlessSimulation(int argc, char** argv) {
    GameOptions options;
    if (int status = 0; !OptionsOrExit(argc, argv, options, status)) return status;

    Simulation sim;
    sim.MaxFrames = options.MaxFrames;
    sim.Snapshots = options.Snapshots;
    if (!options.InputFile.empty()) {
        if (!FileExists(options.InputFile))
            return Fail("cannot read the key script " + PrintableText(options.InputFile));
        try {
            std::string error;
            if (!ParseKeyScript(ReadFileText(options.InputFile), sim.Keys, error))
                return Fail(PrintableText(options.InputFile) + ", " + error);
        } catch (const FileError& e) {
            return Fail(e.what());
        }
    }

    if (!options.DataDir.empty()) SetAppPath(options.DataDir);
    if (std::string problem = DataFolderProblem(); !problem.empty()) return Fail(problem);
    HeadlessBackend& backend = InstallHeadlessBackend();
    SimulationHooks hooks;
    Sim = &sim;
    sim.Tracing = !options.TraceFile.empty();
    // Nobody sees a headless race's pictures unless a snapshot keeps one.
    DrawingEnabled = !options.Snapshots.empty();
    backend.BeforeTurn = DeliverKeys;
    RaceWatch watch(AfterFrame, CaptureResults);

    const bool trial = options.TimeTrial || options.GhostCheck;
    StoredGhost replay;
    if (options.GhostCheck) {
        // The record's own run, on its seed and difficulty, and nothing kept.
        std::string text = ReadGhost({options.Course, ""}, options.Easy);
        if (text.empty()) return Fail("course " + std::to_string(options.Course) + " has no record's ghost");
        if (!ParseGhost(text, replay)) return Fail("the ghost of course " + std::to_string(options.Course) + " cannot be read");
        options.Seed = replay.Seed;
        sim.Keys = replay.Keys;
    }
    CourseRaceResult trialResult;
    try {
        if (trial) {
            // Drawn only into snapshots, but raced as in the game so that a snapshot shows it.
            Settings.Difficulty = options.Easy ? DifficultyEasy : DifficultyNormal;
            LoadRaceScreen();
            PrepareTrialGhost({options.Course, ""}, options.Easy);
            SetUpHeadlessRace(options);
            CourseRaceSeed = options.Seed;
            trialResult = RunCourseRace({options.Course, ""}, RaceMode::Trial, options.Easy, options.TimeTrial);
        } else {
            SetUpHeadlessRace(options);
            StartClick();
        }
        if (sim.Ended && sim.Tracing)
            WriteFileAtomic(options.TraceFile, sim.Trace.data(), sim.Trace.size(), "trace");
    } catch (const std::exception& e) {
        if (sim.Ended) PrintReport(options);
        return Fail(e.what());
    }
    if (!sim.Ended) return Fail("the race did not run");
    if (trial)
        PrintTrialReport(options, trialResult);
    else
        PrintReport(options);
    try {
        FlushStandardOutput();
    } catch (const FileError& e) {
        return Fail(e.what());
    }
    return 0;
}
