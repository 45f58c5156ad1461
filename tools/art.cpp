#include "assetgen.h"

void GenerateCarSheet(const std::string&) {}
void GenerateSprites(const std::string&) {}
void GeneratePointers(const std::string&) {}
void GenerateSaves(const std::string&) {}
