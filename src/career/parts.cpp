#include "career/career.h"

PartInfo BodyParts[11];
PartInfo TyreParts[11];
PartInfo EngineParts[11];
i32 ShopCash = 0;

void FillPartsCatalogue() {}
void ShowShopStatistics() {}
void ShowNotEnoughCash() {}
