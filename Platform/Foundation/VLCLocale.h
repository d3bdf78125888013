#pragma once

#include <locale.h>

// The C locale, made once: numbers read and written through it keep "." as their decimal separator
// whatever locale the process or the thread runs in. Any thread.
locale_t VLCLocale();

// The C library's isspace class in the C locale (space, tab, line feed, vertical tab, form feed, carriage
// return), whatever locale is current.
constexpr bool VLIsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
