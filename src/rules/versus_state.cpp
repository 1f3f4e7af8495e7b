#include "rules/versus_state.h"

VALDORIK_VERSUS_STATE(VALDORIK_DEFINE_STATE)
