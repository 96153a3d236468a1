#include "frames/FrameEncoder.h"
