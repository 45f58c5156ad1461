#include "shop/shop.h"

Form* StoreForm = nullptr;
Form* PopBoxForm = nullptr;

// The shop arrives in a later step.
void LoadShop() {}
void ShowShop() {}
void HideShop() {}
