#include "world/random.h"

uint32_t RandomState = 1;
