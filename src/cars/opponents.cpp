#include "cars/cars.h"

bool AutopilotEnabled = false;

void DriveOpponents() {}
void DriveOpponent(int) {}
void DriveAutopilot() {}
