#include "cars/cars.h"

CarRecord Cars[MaxCars];
i16 DirSign[MaxCars];
i16 LastCarIndex = 0;
