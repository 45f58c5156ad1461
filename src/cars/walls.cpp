#include "cars/cars.h"

void CheckWalls() {}
