#include "Tests/Support/VLYGValuePrinter.h"

void PrintTo(const YGValue& value, std::ostream* out) {
    switch (value.unit) {
    case YGUnitPoint:
        *out << value.value << "pt";
        break;
    case YGUnitPercent:
        *out << value.value << "%";
        break;
    case YGUnitAuto:
        *out << "auto";
        break;
    case YGUnitUndefined:
        *out << "undefined";
        break;
    default:
        *out << "unit " << int(value.unit);
        break;
    }
}
