#include "ContentHost/ContentHostOp.h"

#include <array>

namespace {

constexpr std::array<std::string_view, size_t(ContentHostOp::Reply) + 1> kContentHostOpNames = {
    "configure",     "launch",           "terminate",  "set",        "parameters",    "callJS",
    "addHandler",    "removeHandler",    "moveWindow", "moveWidget", "performance",   "status",
    "systemAudio",   "broadcast",        "heard",      "mirror",     "mirrorEnd",     "previewSize",
    "hud",           "applySyncStorage", "started",    "windows",    "userMoveEnded", "widgetResizeEnded",
    "graphicsReset", "script",           "console",    "exception",  "sample",        "frame",
    "audioWanted",   "audioRecheck",     "listen",     "userFiles",  "syncStorage",   "reply",
};

} // namespace

std::string_view ContentHostOpName(ContentHostOp op) {
    return kContentHostOpNames[size_t(op)];
}

std::optional<ContentHostOp> ContentHostOpFromName(std::string_view name) {
    for (size_t i = 0; i < kContentHostOpNames.size(); ++i) {
        if (kContentHostOpNames[i] == name)
            return ContentHostOp(i);
    }
    return std::nullopt;
}
