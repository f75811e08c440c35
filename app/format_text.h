#pragma once
// The program's captions and status texts are printf formats with numbers.

#include <cstdio>
#include <string>

namespace earloop {

template <typename... Values>
std::string FormatText(const char* format, Values... values) {
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

}  // namespace earloop
