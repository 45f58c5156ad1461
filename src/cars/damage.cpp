#include "cars/cars.h"

i16 HeadingClass(int) { return 50; }
void ApplyDamage(f32, int) {}
void TyreWear(i16, int) {}
void PlayerWreck() {}
void OpponentWreck(int) {}
f32 DistanceFromPlayer(int) { return 0; }
