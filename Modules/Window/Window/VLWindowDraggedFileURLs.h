#pragma once

#include "Platform/Foundation/VLURL.h"

#include <vector>

class VLWSDraggingInfo;

// The file URLs a drag carries, in order: the first 256 when there are more, none without files.
std::vector<VLURL> VLWindowDraggedFileURLs(const VLWSDraggingInfo& info);
