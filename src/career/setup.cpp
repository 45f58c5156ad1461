// Career and race set-up: a new career, the starting grid, the next and the repeated
// race, the opponents' shopping between races and the pre-race panel.
#include "career/career.h"
#include "cars/cars.h"
#include "course/course.h"
#include "race/race.h"
#include "settings/settings.h"

std::string DriverNames[DriverNameCount];

namespace {

// Starting grid, relative to ViewLeft/ViewTop and the start tile; all in its column.
struct GridSlot {
    int X, Y;     // ScreenX - ViewLeft, ScreenY - ViewTop
    int RowStep;  // TileRow - StartTileRow
    int TileX, TileY;
};
constexpr GridSlot Grid[RaceCars + 1] = {
    {168, 200, 0, 100, 100}, {148, 325, 1, 80, 25},  {188, 375, 1, 120, 75},
    {148, 450, 1, 80, 150},  {188, 525, 2, 120, 25}, {148, 575, 2, 80, 75},
    {188, 650, 2, 120, 150}, {148, 700, 3, 80, 0},   {188, 700, 3, 120, 0},
};

// New-career ratings; the opponents' Accel gets 1.2 more once the grid is placed.
struct StartingCar {
    i16 TopSpeed;
    f32 Accel;
    i16 Tyres;
};
constexpr StartingCar Starting[RaceCars + 1] = {
    {250, 2.8f, 70},  {255, 1.8f, 120}, {270, 1.7f, 150}, {240, 1.8f, 160}, {210, 1.5f, 100},
    {280, 1.7f, 120}, {230, 1.8f, 100}, {250, 1.5f, 100}, {260, 1.9f, 100},
};

void PlaceOnGrid(int car) {
    const GridSlot& slot = Grid[car];
    CarRecord& c = Cars[car];
    c.ScreenX = static_cast<f32>(ViewLeft + slot.X);
    c.ScreenY = static_cast<f32>(ViewTop + slot.Y);
    c.TileCol = Course.StartTileCol;
    c.TileRow = static_cast<i16>(Course.StartTileRow + slot.RowStep);
    c.TileX = static_cast<f32>(slot.TileX);
    c.TileY = static_cast<f32>(slot.TileY);
}

void PlaceView() {
    ViewOriginX = static_cast<i16>((Course.StartTileCol - 2) * 200 - 400);
    ViewOriginY = static_cast<i16>((Course.StartTileRow - 3) * 200 - 200);
    ScrollX = static_cast<f32>(ViewOriginX + 692 - ViewLeft);
    ScrollY = static_cast<f32>(ViewOriginY + 673 - ViewTop);
}

// The autopilot drives car 0 by the computer drivers' rules, which need these two.
void PrepareAutopilot() {
    if (!AutopilotEnabled) return;
    Cars[0].AiTarget = 200;
    Cars[0].AiMode = 1;
}

void StillOnGrid(CarRecord& c) {
    c.VelX = c.VelY = 0;
    c.Speed = 0;
    c.Steer = SteerStraight;
    c.Gear = GearDrive;
    c.SteerCount = 100;
    c.Blocked = False16;
    c.SmokeTick = 0;
    c.SmokeFrameX = 0;
    c.Heading = static_cast<i16>(10 * c.SpriteHeight);  // facing south, down the grid
}

// What every race, first or later, gives a computer car on the grid.
void OpponentOnGrid(CarRecord& c) {
    c.Status = StatusRacing;
    c.LapCount = 0;
    c.LapCountHigh = 0;
    c.SpriteWidth = 80;
    c.SpriteHeight = 50;
    StillOnGrid(c);
    c.Pedal = PedalThrottle;
    c.SheetX = 160;
    c.AiMode = 1;
    c.Gas = 100;
}

void CoursePositionsFromGrid() {
    for (int i = 0; i <= RaceCars; ++i) {
        Cars[i].CourseX = Cars[i].ScreenX;
        Cars[i].CourseY = Cars[i].ScreenY;
    }
}

// The shared part of the next and the repeated race.
void SetUpRace(bool upgrades, f32 damageGuard) {
    ScrollX = ScrollY = 0;
    RaceLaps = 0;

    LoadCourse();
    PlaceGrid();
    ShiftPickupsToView(ScrollX, ScrollY);
    CoursePositionsFromGrid();
    if (upgrades) UpgradeOpponents();
    for (int i = 1; i <= RaceCars; ++i) {
        Cars[i].Engine = Cars[i].EngineMax;
        Cars[i].Body = Cars[i].BodyMax;
        Cars[i].Tyres = Cars[i].TyresMax;
    }
    ShowGas();
    // A wrecked player's bar keeps its last width.
    if (Cars[0].Body > damageGuard) ShowDamageAtStart();
    ShowPreRacePanel();
}

}  // namespace

const UpgradeRow UpgradeTable[9] = {
    // Draw, kind, level, max, refill, top speed, accel, AI target
    {6, UpgradeKindBody, 0, 50, false, 0, 0.0f, 0},
    {2, UpgradeKindTyres, 0, 30, true, 0, 0.0f, 0},
    {5, UpgradeKindEngine, 0, 20, false, 25, 0.5f, 0},
    {8, UpgradeKindBody, 1, 50, false, 0, 0.0f, 0},
    {4, UpgradeKindTyres, 1, 40, true, 0, 0.0f, 0},
    {8, UpgradeKindEngine, 1, 5, false, 50, 0.5f, 25},
    {8, UpgradeKindBody, 2, 50, false, 0, 0.0f, 0},
    {4, UpgradeKindTyres, 2, 25, false, 0, 0.0f, 0},
    {10, UpgradeKindEngine, 2, 5, false, 50, 0.5f, 25},
};

bool UpgradeCourse(i16 course) {
    return course == 3 || course == 6 || course == 9 || course == 10 || course == 13;
}

void ClearRaceData() {
    for (int i = 0; i < MaxCars; ++i) {
        CarRecord& c = Cars[i];
        // Money, upgrades and a burning wreck survive; everything else starts from zero.
        CarRecord kept = c;
        c = CarRecord{};
        c.Cash = kept.Cash;
        c.TyresLevel = kept.TyresLevel;
        c.BodyLevel = kept.BodyLevel;
        c.EngineLevel = kept.EngineLevel;
        c.FxState = kept.FxState;
        c.BlastFrameX = kept.BlastFrameX;
        c.BlastFrameY = kept.BlastFrameY;
        c.BlastTick = kept.BlastTick;
        DirSign[i] = 0;
    }
    ResetTileMap();
}

void InitCareerCars() {
    // A career starts with nothing burning, even when the last race was left by Escape
    // in the middle of an explosion.
    for (CarRecord& c : Cars) {
        c.FxState = 0;
        c.BlastFrameX = c.BlastFrameY = c.BlastTick = 0;
    }
    CarRecord& player = Cars[0];
    PlaceOnGrid(0);
    PlaceView();
    player.LapCount = -1;
    player.LapCountHigh = 0;
    player.SpriteWidth = 80;
    player.SpriteHeight = 50;
    StillOnGrid(player);
    player.Pedal = PedalCruise;
    player.TopSpeed = Starting[0].TopSpeed;
    player.Accel = Starting[0].Accel;
    player.Tyres = Starting[0].Tyres;
    player.TyresMax = Starting[0].Tyres;
    player.Engine = 100;
    player.EngineMax = 100;
    player.Gas = 100;
    player.BodyMax = 100;
    player.Body = 100;
    player.TyresLevel = player.BodyLevel = player.EngineLevel = 0;

    for (int i = 1; i <= RaceCars; ++i) {
        CarRecord& c = Cars[i];
        OpponentOnGrid(c);
        c.AiTarget = 200;
        c.Engine = 100;
        c.EngineMax = 100;
        c.BodyMax = 100;
        c.Body = c.BodyMax;
        c.Cash = 100;
    }
    for (int i = 1; i <= RaceCars; ++i) {
        PlaceOnGrid(i);
        Cars[i].TopSpeed = Starting[i].TopSpeed;
        Cars[i].Accel = Starting[i].Accel;
        Cars[i].Tyres = Starting[i].Tyres;
        Cars[i].TyresMax = Starting[i].Tyres;
    }
    for (int i = 1; i <= RaceCars; ++i) Cars[i].Accel += 1.2f;

    // Easy: more money, more grip and a faster player, but every car loses top speed.
    if (Settings.Difficulty == DifficultyEasy) {
        player.Cash = 1000;
        player.TopSpeed += 20;
        player.Tyres += 20;
        for (int i = 0; i <= RaceCars; ++i) Cars[i].TopSpeed -= 80;
    } else {
        player.Cash = 100;
    }
    PrepareAutopilot();
}

void PlaceGrid() {
    PlaceView();

    // The player's condition, ratings and cash carry over from the last race.
    CarRecord& player = Cars[0];
    PlaceOnGrid(0);
    player.LapCount = -1;
    player.LapCountHigh = 0;
    StillOnGrid(player);
    player.Pedal = PedalCruise;
    player.Status = StatusRacing;
    player.FxState = 0;

    for (int i = 1; i <= RaceCars; ++i) {
        CarRecord& c = Cars[i];
        OpponentOnGrid(c);
        c.Body = c.BodyMax;
        c.Engine = c.EngineMax;
        c.Tyres = c.TyresMax;
        c.FxState = 0;
        PlaceOnGrid(i);
    }
    PrepareAutopilot();
}

void NewCareer() {
    ShowForm(RaceWindow);

    ClearRaceData();
    FillPartsCatalogue();
    RaceLaps = 0;
    CurrentCourse = 1;

    LoadCourse();
    InitCareerCars();
    ShiftPickupsToView(ScrollX, ScrollY);
    CoursePositionsFromGrid();
    ShowDamageAtStart();

    ShowForm(RaceWindow);
    ShowPreRacePanel();
}

void SetUpNextRace() { SetUpRace(true, 2.0f); }

void SetUpRepeatRace() { SetUpRace(false, 0.0f); }

void UpgradeOpponents() {
    if (!UpgradeCourse(CurrentCourse)) return;
    for (int i = 1; i <= RaceCars; ++i) {
        CarRecord& c = Cars[i];
        for (const UpgradeRow& row : UpgradeTable) {
            // Every row draws, so the stream moves on the same whatever the car owns.
            int draw = static_cast<int>(Int(Rnd() * row.Draw));
            i16* level = row.Kind == UpgradeKindBody    ? &c.BodyLevel
                         : row.Kind == UpgradeKindTyres ? &c.TyresLevel
                                                        : &c.EngineLevel;
            bool due = row.Level == 0 ? *level < 1 : *level == row.Level;
            if (draw != 1 || !due) continue;
            if (row.Kind == UpgradeKindBody) c.BodyMax += row.MaxBonus;
            if (row.Kind == UpgradeKindTyres) c.TyresMax += row.MaxBonus;
            if (row.Kind == UpgradeKindEngine) c.EngineMax += row.MaxBonus;
            if (row.RefillTyres) c.Tyres = c.TyresMax;
            c.TopSpeed += row.TopSpeedBonus;
            c.Accel += row.AccelBonus;
            c.AiTarget += row.AiTargetBonus;
            *level = static_cast<i16>(row.Level + 1);
        }
    }
}

i32 PrizeFor(i16 place) {
    constexpr i32 Prizes[] = {0, 1200, 750, 300};
    return place >= 1 && place <= 3 ? Prizes[place] : 0;
}

i32 SettleCareerRace(const RaceReport& report) {
    if (report.Outcome != Outcome::Placed) return 0;
    i32 before = Cars[0].Cash;
    EarnCash(0, PrizeFor(report.Place));
    ++CurrentCourse;
    if (CurrentCourse == CourseCount + 1) CurrentCourse = 1;  // the series goes round
    return Cars[0].Cash - before;
}
