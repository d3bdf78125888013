#pragma once

#include "Platform/Foundation/VLRect.h"

#include <ostream>

// Lets GoogleTest show points, sizes and rectangles by their numbers in failure messages.
void PrintTo(const VLPoint& point, std::ostream* out);
void PrintTo(const VLSize& size, std::ostream* out);
void PrintTo(const VLRect& rect, std::ostream* out);
