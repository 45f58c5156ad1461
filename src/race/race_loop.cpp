// The race loop: one call of RunRace plays one race from the start lights to the result.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "course/course.h"
#include "race/race_internal.h"
#include "sound/sound.h"

i16 ViewOriginX = 0;
i16 ViewOriginY = 0;
bool RaceInProgress = false;

namespace {

// The watchers of the race; an empty slot is one whose watch has ended.
struct Watcher {
    std::function<void()> AfterFrame, Ended;
};
std::vector<Watcher> Watchers;

void TellWatchers(std::function<void()> Watcher::*when) {
    // By index: a watcher may start or end a watch while it is told.
    for (std::size_t i = 0; i < Watchers.size(); ++i)
        if (Watchers[i].*when) (Watchers[i].*when)();
}

constexpr int MiniWidth = 153;
constexpr int MiniHeight = 123;
constexpr int MaxMiniMapSide = 600;
constexpr int BlipSize = 5;
// Where each car's marker is drawn in the mini-map window.
struct MapBlip {
    f32 X = 0, Y = 0;
};
MapBlip MapBlips[MaxCars];
constexpr int PlayerBlipX = 5;  // where the markers are on the effects sheet
constexpr int BlipSheetY = 200;

// Picture surfaces of controls the HUD or the window may not have sized yet.
Surface& SizedPicture(Control* control, int width, int height) {
    Surface& picture = control->Picture;
    if (picture.Width != width || picture.Height != height) picture.Resize(width, height);
    return picture;
}

bool Racing(int car) { return Cars[car].Status != StatusOut; }

// The mini-map window: a 153 x 123 block of the whole map at the origin, then every
// car's marker on top of it.
void DrawMiniMap(f32 originX, f32 originY) {
    if (!MiniView[0] || !MiniView[1]) return;
    Surface& window = SizedPicture(MiniView[1], MiniWidth, MiniHeight);
    BitBlt(window, 0, 0, MiniWidth, MiniHeight, MiniView[0]->Picture, CInt(originX),
           CInt(originY), SRCCOPY);
    for (int i = 0; i <= Race.LastCarIndex; ++i) {
        if (!Racing(i)) continue;
        const MapBlip& blip = MapBlips[i];
        // The player's marker has a colour of its own.
        BitBlt(window, CInt(blip.X), CInt(blip.Y), BlipSize, BlipSize, AniPics,
               i == 0 ? PlayerBlipX : 0, BlipSheetY, SRCCOPY);
    }
}

void LightColours(Colour top, Colour middle, Colour bottom) {
    Light[0]->BackColor = top;
    Light[1]->BackColor = middle;
    Light[2]->BackColor = bottom;
    Refresh();
}

// The engines rev on the grid while a light is lit; keys wait until it is over, but a
// player closing the game does not. The revs keep a pace in time and the loop sleeps
// between them: revving as fast as the machine could held a whole core for two seconds.
// Only the sound's own random stream is drawn, so the race is the same whatever the pace.
constexpr int RevStepsPerMs = 10;         // the note rises and falls a few times a second
constexpr std::uint32_t RevNapMs = 10;    // about one turn of the sound mixer
void RevForOneLight() {
    const std::uint32_t start = GetTickCount();
    std::uint32_t revved = start;
    for (;;) {
        // One reading a pass, as the virtual clock of a headless race counts them.
        const std::uint32_t now = GetTickCount();
        if (now - start >= static_cast<std::uint32_t>(LightMs) || QuitRequested()) return;
        const int steps = static_cast<int>(now - revved) * RevStepsPerMs;
        revved = now;
        if (steps > 0)
            for (int i = 0; i <= Race.LastCarIndex; ++i) GridRev(i, steps);
        SleepUntil(std::min(now + RevNapMs, start + LightMs));
    }
}

void PrepareScreen() {
    int width = -1, height = -1;
    if (Settings.ViewSizeMode == 2) width = height = 550;
    if (Settings.ViewSizeMode == 1) width = 473, height = 433;
    for (Control* area : PlayArea) {
        if (width > 0) {
            area->Width = width;
            area->Height = height;
            SizedPicture(area, width, height);
        }
        // A third, not a half: the view sits right of centre to leave room for the HUD.
        area->Left = CInt(RaceWindow->Width / 2.0 - area->Width / 3.0);
    }
    if (HudFrame) {
        HudFrame->Left = PlayArea[0]->Left - HudFrame->Width - 2;
        HudFrame->Top = PlayArea[0]->Top;
    }
    FlashBox->Visible = false;
    BlackOutBox->Visible = false;
    ShowForm(RaceWindow);

    if (DrawingEnabled) {
        DrawBackground();
        DrawSprites();
    }
    AdvanceEffects();
    ShowStandingAtStart();

    // Before the start the map is framed at a twentieth of the course position.
    f32 originX = Cars[0].CourseX / 20;
    f32 originY = Cars[0].CourseY / 20;
    if (MiniView[0]) {
        // The course drawn at a twentieth of its size is about 510 pixels each way.
        Surface map = CourseMiniMap(MaxMiniMapSide);
        Surface& full = MiniView[0]->Picture;
        if (full.Empty()) full.Resize(std::max(MiniView[0]->Width, map.Width),
                                      std::max(MiniView[0]->Height, map.Height));
        PaintPicture(full, map, 0, 0);
    }
    for (int i = 0; i <= Race.LastCarIndex; ++i) {
        if (!Racing(i)) continue;
        MapBlips[i].X = static_cast<f32>(Cars[i].CourseX / 20.5 + 15 - originX);
        MapBlips[i].Y = static_cast<f32>(Cars[i].CourseY / 20.5 + 15 - originY);
    }
    if (DrawingEnabled) DrawMiniMap(originX, originY);
    DoEvents();

    BitBlt(PlayArea[0]->Picture, 0, 0, 600, 600, PlayArea[1]->Picture, 0, 0, SRCCOPY);
    PopBox->Visible = true;
    Refresh();
    DoEvents();
}

void CountDown() {
    constexpr Colour Off = RGB(0, 0, 0);
    LightColours(RGB(255, 0, 0), Off, Off);
    DoEvents();
    RevForOneLight();
    LightColours(Off, RGB(255, 255, 0), Off);
    DoEvents();
    RevForOneLight();
    LightColours(Off, Off, RGB(0, 255, 0));
    Race.LapStartTime = RaceClock();
}

void PerCarWork(int last) {
    for (int i = 0; i <= last; ++i) {
        CarSounds(i);
        CarPairs(i);
        CheckLapLine(i);
        for (int k = 0; k < PickupCount; ++k)
            if (Pickups[k].State != PickupTaken) TestPickup(i, k);
        if (Cars[i].Body < 2.0f && i != 0) OpponentWreck(i);
    }
}

void RunFrame() {
    std::uint32_t frameStart = GetTickCount();
    RunFrameRules();

    if (DrawingEnabled) {
        DrawBackground();
        DrawSprites();
        BitBlt(PlayArea[0]->Picture, 0, 0, 550, 550, PlayArea[1]->Picture, 0, 0, SRCCOPY);
    }
    AdvanceEffects();

    // Once racing the map moves at a hundredth of the course position.
    f32 originX = Cars[0].CourseX / 100;
    f32 originY = Cars[0].CourseY / 100;
    for (int i = 0; i <= Race.LastCarIndex; ++i) {
        if (!Racing(i)) continue;
        MapBlips[i].X =
            static_cast<f32>(ViewOriginX / 20.5 + 30 + Cars[i].CourseX / 20.5 - originX);
        MapBlips[i].Y =
            static_cast<f32>(ViewOriginY / 20.5 + 29 + Cars[i].CourseY / 20.5 - originY);
    }
    if (DrawingEnabled) DrawMiniMap(originX, originY);

    SetSpeedBar(Cars[0].Speed * 5.0);
    UpdateDamageBar();
    if (DrawingEnabled) ShowStanding();
    f32 sinceGreen = RaceClock() - Race.LapStartTime;
    if (sinceGreen > 2.0f) PopBox->Visible = false;
    if (sinceGreen > 0) ShowLapTime(sinceGreen);
    if (Race.FinishTime > 0 && RaceClock() - Race.FinishTime > 4.0f)
        Race.Outcome = Race.FinishCount > 3 ? Outcome::NotPlaced : Outcome::Placed;
    Refresh();

    // Keys are handled only in these turns, after the finish test: an Escape here
    // always keeps its 10.
    DoEventsUntil(frameStart, FrameMs);
    DoEvents();

    TellWatchers(&Watcher::AfterFrame);
}

// ---------------------------------------------------------------------------------
// Pause: kept apart from the frame, which it never enters. The race only notices it
// between frames, and a paused race differs from one never paused by nothing but the
// wall-clock time it took.
// ---------------------------------------------------------------------------------

// Until the race's second frame a P is not the player's pause: one pressed during the
// lights is delivered only after green.
bool PauseReady = false;
constexpr int FirstPausableFrame = 2;
// A nap between looks at the keyboard while paused: a key wakes the wait at once.
constexpr std::uint32_t PauseNapMs = 250;
// The pause is Escape's question rather than the player's P.
bool LeaveAsked = false;
constexpr const char* LeaveQuestion = "Esc again to leave \u00B7 P to race on";

// The sounds a pause cut off and brings back: the engine loops, and the player's own
// explosion, whose end is what ends a wrecked player's race.
struct HeldSound {
    SoundBuffer* Buffer;
    std::int32_t Position;
    std::int32_t Flags;
};
std::vector<HeldSound> HeldSounds;

bool Sounding(SoundBuffer* buffer) { return (GetStatus(buffer) & DSBSTATUS_PLAYING) != 0; }

void SilenceForPause() {
    HeldSounds.clear();
    auto hold = [](SoundBuffer* buffer, std::int32_t flags) {
        if (Sounding(buffer)) HeldSounds.push_back({buffer, buffer->GetCurrentPosition(), flags});
    };
    for (int s = 0; s < SoundSlots; ++s) hold(EngineSounds[s].get(), DSBPLAY_LOOPING);
    hold(ExplosionSounds[0].get(), 0);
    StopRaceSounds();
    for (int s = 1; s < SoundSlots; ++s) Stop(ExplosionSounds[s].get());
}

void ResumeSounds() {
    for (const HeldSound& held : HeldSounds) {
        SetCurrentPosition(held.Buffer, held.Position);
        Play(held.Buffer, held.Flags);
    }
    HeldSounds.clear();
}

void SitOutPause() {
    f32 pausedAt = Timer();
    SilenceForPause();
    PlacePauseBox();
    Control* hint = FindControl(RaceWindow, "PauseHint");
    const std::string pauseHint = hint ? hint->Caption : "";
    if (hint && LeaveAsked) hint->Caption = LeaveQuestion;
    PauseBox->Visible = true;
    Refresh();
    while (Race.Paused && Race.Outcome == Outcome::Running && !QuitRequested()) {
        // A virtual clock moves only when read: time passes for a headless pause too.
        (void)GetTickCount();
        WaitEvents(PauseNapMs);
    }
    Race.Paused = LeaveAsked = false;
    Race.PausedSeconds += Timer() - pausedAt;
    if (hint) hint->Caption = pauseHint;
    PauseBox->Visible = false;
    Refresh();
    if (Race.Outcome == Outcome::Running && !QuitRequested()) ResumeSounds();
}

// Cash the player held at green: what he has more at the end he picked up.
i32 CashAtGreen = 0;

RaceReport EndRace() {
    TakeResults();
    TellWatchers(&Watcher::Ended);
    StopRaceSounds();
    RaceReport report;
    report.Outcome = Race.Outcome;
    report.Place = Race.FinishCount;
    report.Frames = Race.Frame;
    report.Results = LastResults;
    report.PickupCash = Cars[0].Cash - CashAtGreen;
    return report;
}

}  // namespace

void RunFrameRules() {
    ++Race.Frame;
    DriveOpponents();
    if (AutopilotEnabled) DriveAutopilot();
    DriveCars();
    CheckWalls();
    PerCarWork(Race.LastCarIndex);
    NoteFinishers();
    MoveCars();
    ScrollView();
}

void BeginRace(const RaceSetup& setup) {
    // The one place a race's counts, times and flags start again. From the first light on
    // it is frame 0: whatever waits for a frame of this race (a script's keys) must not
    // take the last race's count for this one's.
    Race = RaceState{};
    Race.LastCarIndex = setup.LastCarIndex;
    PauseReady = LeaveAsked = false;
    DrivenKeyList.clear();
    RaceGhost();
    PrepareScreen();
    CountDown();
    StartResults();
    CashAtGreen = Cars[0].Cash;
}

RaceReport RunRace(const RaceSetup& setup) {
    // Cleared however the race is left, a script's end unwinding through it included.
    struct InProgress {
        InProgress() { RaceInProgress = true; }
        ~InProgress() { RaceInProgress = false; }
    } inProgress;
    BeginRace(setup);
    PauseReady = true;
    // A game told to quit leaves the race with no outcome: nothing is paid or set up.
    while (Race.Outcome == Outcome::Running && !QuitRequested()) {
        RunFrame();
        if (Race.Paused) SitOutPause();
    }
    PauseReady = Race.Paused = LeaveAsked = false;
    return EndRace();
}

RaceMoment TakeRaceMoment() {
    RaceMoment m;
    std::memcpy(m.Car, Cars, sizeof m.Car);
    std::memcpy(m.Sign, DirSign, sizeof m.Sign);
    std::memcpy(m.Cash, Pickups, sizeof m.Cash);
    m.State = Race;
    m.ScrollLeft = ScrollX;
    m.ScrollTop = ScrollY;
    m.Random = RaceRandomState();
    return m;
}

void RestoreRaceMoment(const RaceMoment& m) {
    std::memcpy(Cars, m.Car, sizeof m.Car);
    std::memcpy(DirSign, m.Sign, sizeof m.Sign);
    std::memcpy(Pickups, m.Cash, sizeof m.Cash);
    Race = m.State;
    ScrollX = m.ScrollLeft;
    ScrollY = m.ScrollTop;
    SetRaceRandomState(m.Random);
}

RaceWatch::RaceWatch(std::function<void()> afterFrame, std::function<void()> ended)
    : Slot(static_cast<int>(Watchers.size())) {
    for (std::size_t i = 0; i < Watchers.size(); ++i)
        if (!Watchers[i].AfterFrame && !Watchers[i].Ended) {
            Slot = static_cast<int>(i);
            break;
        }
    if (Slot == static_cast<int>(Watchers.size())) Watchers.emplace_back();
    Watchers[Slot] = {std::move(afterFrame), std::move(ended)};
}

RaceWatch::~RaceWatch() { Watchers[Slot] = {}; }

void TogglePause() {
    // Escape's question may be up before the race could be paused by P: P answers it.
    if (Race.Paused && Race.Outcome == Outcome::Running) {
        Race.Paused = false;
        return;
    }
    if (!PauseReady || Race.Frame < FirstPausableFrame || Race.Outcome != Outcome::Running) return;
    Race.Paused = !Race.Paused;
}

void AskToLeave() {
    // Nothing to leave on the pre-race panel, and nothing to ask once the race is decided.
    if (!RaceInProgress || Race.Outcome != Outcome::Running) return;
    if (Race.Paused) {
        Race.Outcome = Outcome::Abandoned;
        Race.LeftByPlayer = true;
        return;
    }
    // Asked during the lights, the question comes up with the first frame.
    Race.Paused = LeaveAsked = true;
}

f32 RaceClock() { return Timer() - Race.PausedSeconds; }

void CheckLapLine(int car) {
    // Once the player is home nobody's laps count any more.
    if (Cars[0].Status == StatusFinished) return;
    CarRecord& c = Cars[car];

    f32 lineY = static_cast<f32>(ViewTop + 300);
    if (c.CourseX > ViewLeft + 80 && c.CourseX < ViewLeft + 280 && c.CourseY < lineY &&
        c.CourseY + c.VelY > lineY) {
        ++c.LapCount;
        // Only a lap beyond the best so far counts, so reversing over the line and
        // crossing again does not count twice.
        if (c.LapCount > c.LapCountHigh && c.Status != StatusFinished) {
            if (car == 0) {
                f32 lapTime = RaceClock() - Race.LapStartTime;
                if (lapTime < Race.BestLapTime) {
                    Race.BestLapTime = lapTime;
                    if (!GhostRacing) ShowBestLap(lapTime);
                }
                if (!GhostRacing) ShowLastLap(lapTime);
                Race.LapStartTime = RaceClock();
            }
            c.LapCountHigh = c.LapCount;
            if (c.LapCount == RaceLaps && c.Status != StatusOut) {
                ++Race.FinishCount;
                c.Status = StatusFinished;
                // Three computer cars home first: the player is out of the placings.
                if (Race.FinishCount == 3 && car != 0) {
                    Cars[0].LapCount = 10;
                    Race.FinishCount = 10;
                }
            }
        }
    }

    // Backwards over the line: at fixed course coordinates, not the forward segment.
    if (c.CourseX > 100 && c.CourseX < 300 && c.CourseY > 300 && c.CourseY + c.VelY < 300)
        --c.LapCount;
}

void StopRaceSounds() {
    for (int s = 0; s < SoundSlots; ++s) {
        Stop(EngineSounds[s].get());
        Stop(HitSounds[s].get());
        Stop(CrashSounds[s].get());
        Stop(SkidSounds[s].get());
    }
    Stop(ExplosionSounds[0].get());
}
