#pragma once

#include "Platform/Graphics/VLColor.h"

#include <ostream>

// Lets GoogleTest show colours by their components in failure messages.
void PrintTo(const VLColor& color, std::ostream* out);
