// The shop between races and its pop-up message.
#pragma once

#include "platform/platform.h"

extern Form* StoreForm;
extern Form* PopBoxForm;  // the pop-up window (the window system's name for it is PopBox)

// Creates the shop window (once).
void LoadShop();
void ShowShop();
void HideShop();
