#include "cars/cars.h"

i32 RevPosition[SoundCars];
i16 RevStep[SoundCars];

void CarSounds(int) {}
void GridRev(int) {}
