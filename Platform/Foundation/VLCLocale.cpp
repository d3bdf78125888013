#include "Platform/Foundation/VLCLocale.h"

locale_t VLCLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return locale;
}
