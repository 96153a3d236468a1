// The serial link knows nothing of frames.
#include "decode/ReceiveEngine.h"
