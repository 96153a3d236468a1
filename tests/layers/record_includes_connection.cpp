// Records must not see the meter connection built on top of them.
#include "connection/MeterConnection.h"
