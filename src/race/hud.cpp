#include "race/race.h"

Control* HudFrame = nullptr;
Control* PlayerNameField2 = nullptr;
Control* CashField2 = nullptr;
Control* DamBack = nullptr;
Control* DamFill = nullptr;
Control* SpeedBack = nullptr;
Control* SpeedBar = nullptr;
Control* GasBar = nullptr;
Control* LapTimeField = nullptr;
Control* LastLapField = nullptr;
Control* BestTimeField = nullptr;

void CreateHud(Form*) {}
void TestPickup(int, int) {}
void ShowPlayerCash(const std::string&) {}
void SetDamageBar(double) {}
void SetDamageBack(double) {}
void SetSpeedBar(double) {}
void ShowLapTime(f32) {}
void ShowLastLap(f32) {}
void ShowBestLap(f32) {}
