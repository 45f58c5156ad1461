#include "app/app.h"

std::string StartName;

int Main() { return 0; }
int RunHeadlessSimulation(int, char**) { return 0; }
