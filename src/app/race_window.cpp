#include "app/app.h"

Form* RaceWindow = nullptr;
Control* BlackOutBox = nullptr;
Control* FlashBox = nullptr;
Control* CourseField = nullptr;
Control* BigMapBox = nullptr;
Control* CourseNameField = nullptr;
Control* LapsField = nullptr;
Control* Label16 = nullptr;
Control* Label17 = nullptr;
Control* Label19 = nullptr;
Control* Label18 = nullptr;
Control* msg_FlashScreen = nullptr;
Control* PlayArea[2] = {};
Control* PopBox = nullptr;
Control* Light[3] = {};
Control* MiniView[2] = {};

void LoadRaceWindow() {}
void StartClick() {}
void ShopClick() {}
void SaveCareerClick() {}
void QuitClick() {}
void ReturnToFrontEnd() {}
