#include "Tests/Support/VLGeometryPrinter.h"

void PrintTo(const VLPoint& point, std::ostream* out) {
    *out << "{" << point.x << ", " << point.y << "}";
}

void PrintTo(const VLSize& size, std::ostream* out) {
    *out << "{" << size.width << " × " << size.height << "}";
}

void PrintTo(const VLRect& rect, std::ostream* out) {
    *out << "{" << rect.origin.x << ", " << rect.origin.y << ", " << rect.size.width << " × "
         << rect.size.height << "}";
}

void PrintTo(const VLAffineTransform& t, std::ostream* out) {
    *out << "[" << t.a << ", " << t.b << ", " << t.c << ", " << t.d << ", " << t.tx << ", " << t.ty << "]";
}
