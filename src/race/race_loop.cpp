#include "race/race.h"

i16 RaceOutcome = 0;
f32 LapStartTime = 0;
f32 BestLapTime = 0;
f32 FinishTime = 0;
i16 FinishCount = 0;
i16 PairContactFlag = 0;
i16 PairBlockFlag = 0;
i16 ViewOriginX = 0;
i16 ViewOriginY = 0;
CarRecord MapBlips[MaxCars];
int RaceFrame = 0;
void (*AfterRaceFrame)() = nullptr;

void RunRace() {}
void CheckLapLine(int) {}
i32 PrizeFor(i16) { return 0; }
void StopRaceSounds() {}
