#pragma once

// The JSON helpers moved to common/ so the published readings share them.
#include "common/Json.h"
