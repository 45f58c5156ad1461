#include "assetgen.h"

void GenerateSounds(const std::string&) {}
