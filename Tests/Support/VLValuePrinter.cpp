#include "Tests/Support/VLValuePrinter.h"

void PrintTo(const VLValue& value, std::ostream* out) {
    *out << value.description();
}
