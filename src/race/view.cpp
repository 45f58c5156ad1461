#include "race/race.h"

f32 ScrollX = 0;
f32 ScrollY = 0;
i16 ViewLeft = 75;
i16 ViewTop = 75;

void ScrollView() {}
void DrawBackground() {}
void DrawSprites() {}
void DrawMasked(Surface&, double, double, int, int, const Surface&, int, int, const Surface&,
                int, int) {}
