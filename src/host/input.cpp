#include "host/input.h"

VALDORIK_INPUT_STATE(VALDORIK_DEFINE_STATE)

void ResetInput() { VALDORIK_INPUT_STATE(VALDORIK_RESET_STATE) }

void SampleKeys() {
  KeySample = KeyState;
  Host.sample_keys(KeySample);
}
