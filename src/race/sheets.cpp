#include "race/race.h"

Surface Pics;
Surface AniPics;
Surface ExplosionPics;
Surface ExplosionMask;
Surface MapPic;

void LoadRaceSheets() {}
