#pragma once

#include <cmath>
#include <cstdio>
#include <string>

#include "common/CLocaleFormat.h"

// Small JSON writing helpers for the line-oriented outputs (the CLI, the
// published readings).

// A UTF-8 text as a JSON string literal.
inline std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", c);
                    out += esc;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

// A number with a printf format ("%.9g" for floats, "%.17g" for doubles);
// non-finite values become the strings "nan", "inf" and "-inf".
inline std::string JsonNumber(double value, const char* format) {
    if (std::isnan(value)) {
        return "\"nan\"";
    }
    if (std::isinf(value)) {
        return value > 0 ? "\"inf\"" : "\"-inf\"";
    }
    return FormatInCLocale(format, value);
}
