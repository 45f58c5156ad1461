#include "cars/cars.h"

CarRecord Cars[MaxCars];
i16 DirSign[MaxCars];
i16 LastCarIndex = 0;

i16 RaceOutcome = 0;
i16 PairContactFlag = 0;
i16 PairBlockFlag = 0;
int RaceFrame = 0;
