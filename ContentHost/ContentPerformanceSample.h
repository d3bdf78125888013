#pragma once

#include "Platform/Foundation/VLValue.h"

class VLPerformanceSample;

// A runtime's performance sample as "sample" messages carry it; "js" only when the engine measured it.
VLDictionary ContentPerformanceSampleDictionary(const VLPerformanceSample& sample);
