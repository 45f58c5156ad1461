#include "platform/backend.h"

std::unique_ptr<TextRenderer> MakeTtfTextRenderer() { return nullptr; }
