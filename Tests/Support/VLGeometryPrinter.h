#pragma once

#include "Platform/Foundation/VLAffineTransform.h"

#include <ostream>

// Lets GoogleTest show points, sizes, rectangles and transforms by their numbers in failure messages.
void PrintTo(const VLPoint& point, std::ostream* out);
void PrintTo(const VLSize& size, std::ostream* out);
void PrintTo(const VLRect& rect, std::ostream* out);
void PrintTo(const VLAffineTransform& transform, std::ostream* out);
