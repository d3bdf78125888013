// libFuzzer target for SVG path data: any code units parse without fault, to the same operations every
// time, and give only path calls (kinds 0-9) with finite arguments. Input bytes are code units one by one,
// so that the grammar's ASCII is easy to reach; after a leading 0xFF byte they are little-endian pairs,
// so that surrogates and other wide code units come too.
#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    std::vector<uint16_t> units;
    if (size > 0 && bytes[0] == 0xFF) {
        for (size_t i = 1; i + 1 < size; i += 2)
            units.push_back(uint16_t(bytes[i] | bytes[i + 1] << 8));
    } else {
        units.assign(bytes, bytes + size);
    }
    const VLCanvasPath2D path = VLCanvasPath2D::createWithSVGPathData(units);
    for (const VLCanvasPath2D::Operation& operation : path.operations()) {
        if (operation.kind < VLCanvasPath2D::kMoveTo || operation.kind > VLCanvasPath2D::kClosePath)
            abort();
        for (const float arg : operation.args) {
            if (!std::isfinite(arg))
                abort();
        }
    }
    const VLCanvasPath2D again = VLCanvasPath2D::createWithSVGPathData(units);
    if (again.operations().size() != path.operations().size() ||
        (!path.operations().empty() &&
         std::memcmp(again.operations().data(), path.operations().data(),
                     path.operations().size() * sizeof(VLCanvasPath2D::Operation)) != 0))
        abort();
    return 0;
}
