#pragma once

#include <string>

// Function names indexed by the function byte of a frame or download header.
inline constexpr int kFunctionNameCount = 30;
extern const char* const FunctionNameTable[kFunctionNameCount];

// The table entry for a function byte; the empty name for a byte beyond the table.
std::string FunctionName(int functionByte);
