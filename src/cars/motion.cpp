#include "cars/cars.h"

const HeadingFactor HeadingVelocity[20] = {};

void DriveCars() {}
void MoveCars() {}
f32 DriveLimit(int car) { return Cars[car].TopSpeed - (100 - Cars[car].Engine); }
