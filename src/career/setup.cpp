#include "career/career.h"

void ClearRaceData() {}
void InitCareerCars() {}
void PlaceGrid() {}
void NewCareer() {}
void SetUpNextRace() {}
void SetUpRepeatRace() {}
void UpgradeOpponents() {}
void ShowPreRacePanel() {}
