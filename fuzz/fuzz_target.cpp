// One libFuzzer target; FUZZ_CHECK names the check it drives (see CMakeLists.txt).
#include <sanitizer/common_interface_defs.h>

#include <cstdlib>

#include "fuzz_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string problem = FUZZ_CHECK(data, size);
  if (!problem.empty()) {
    // Through the sanitizers' report channel: -close_fd_mask=2 closes plain stderr.
    __sanitizer_report_error_summary(("broken promise: " + problem).c_str());
    std::abort();
  }
  return 0;
}
