#include "Tests/Support/VLColorPrinter.h"

void PrintTo(const VLColor& color, std::ostream* out) {
    *out << color.description();
}
