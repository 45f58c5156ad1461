#include <stdexcept>

#include "platform/backend.h"

std::unique_ptr<Backend> MakeWindowedBackend() {
    throw std::runtime_error("The windowed backend is not built yet");
}
