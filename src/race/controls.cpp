#include "race/race.h"

i16 ScreenshotCounter = 0;

void RaceKeyDown(int) {}
void RaceKeyUp(int) {}
std::string ScreenshotPath(i16) { return ""; }
