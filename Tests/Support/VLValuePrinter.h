#pragma once

#include "Platform/Foundation/VLValue.h"

#include <ostream>

// Lets GoogleTest show values by their description in failure messages.
void PrintTo(const VLValue& value, std::ostream* out);
