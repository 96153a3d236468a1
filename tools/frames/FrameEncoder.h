#pragma once
// Builds the meter's frames byte by byte (see FrameEncoder.cpp).
