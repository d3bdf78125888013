#pragma once

#include "Core/Runtime/VLRemoteCheck.h"
#include "Platform/Foundation/VLURL.h"

// What a remote media URL stands for: the http(s) URL and the check its bytes are fetched under.
struct VLRemoteMediaSource {
    VLURL URL;
    VLRemoteCheck check;
};
