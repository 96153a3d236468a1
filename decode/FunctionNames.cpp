#include "decode/FunctionNames.h"

const char* const FunctionNameTable[kFunctionNameCount] = {
    "",          "VAC",       "VDC", "mVDC", "RES", "CAP",      "TEMP",      "ADC",
    "mADC",      "uADC",      "",    "mVAC", "AAC", "mAAC",     "uAAC",      "Diode",
    "HZ",        "VAC",       "",    "",     "",    "DC+AC(V)", "DC+AC(mV)", "DC+AC(A)",
    "DC+AC(mA)", "DC+AC(uA)", "",    "",     "",    "",
};

std::string FunctionName(int functionByte) {
    if (functionByte < 0 || functionByte >= kFunctionNameCount) {
        return "";
    }
    return FunctionNameTable[functionByte];
}
