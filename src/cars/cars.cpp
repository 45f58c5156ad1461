#include "cars/cars_internal.h"

#include <algorithm>

CarRecord Cars[MaxCars];
i16 DirSign[MaxCars];
RaceState Race;
i16 PairContactFlag = 0;
i16 PairBlockFlag = 0;

void EarnCash(int car, i32 amount) {
    i32& cash = Cars[car].Cash;
    cash = static_cast<i32>(std::min<std::int64_t>(CashCap, std::int64_t{cash} + amount));
}
