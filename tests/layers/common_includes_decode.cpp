// The shared basics know nothing of the decoders.
#include "decode/MeterReading.h"
