#pragma once

#include <string>

// printf-style text in the "C" locale, whatever locale the process runs in.
//
// The desktop program's toolkit adopts the user's locale at start-up, so
// std::snprintf there would write "5,4000" under a locale with a decimal comma.
// Every number text of the program ("%.4f", "%.2f", "%e", ...) goes through
// this function so it always carries a point, in the windows, the printouts,
// the files and the command line alike. Only the calling thread is switched,
// and only for the duration of the call.
[[gnu::format(printf, 1, 2)]] std::string FormatInCLocale(const char* format, ...);
