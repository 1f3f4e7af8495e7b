#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UBSan on) into
# build-fuzz/ and runs each on its corpus, two at a time.
#
#   scripts/fuzz.sh --short     30 s a target (what ./test runs)
#   scripts/fuzz.sh --long      1 hour a target
#   scripts/fuzz.sh SECONDS     any time a target
#   ... TARGET...               only these targets (bitmap, script, args, replay, relay)
#
# New inputs go to build-fuzz/corpus/<target>/ (the seeds in fuzz/corpus/ stay
# untouched). A crash stops the run; its input is saved in build-fuzz/crashes/.
# Copy it to fuzz/regressions/<target>/, fix the fault, and the tests replay it.
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:---short}" in
  --short) seconds=30 ;;
  --long) seconds=3600 ;;
  '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [--short | --long | SECONDS] [TARGET...]" >&2; exit 2 ;;
  *) seconds=$1 ;;
esac
shift $(($# > 0 ? 1 : 0))
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(bitmap script args replay relay); fi
for target in "${targets[@]}"; do
  [ -d "fuzz/corpus/$target" ] || { echo "scripts/fuzz.sh: no fuzz target '$target' (bitmap, script, args, replay, relay)" >&2; exit 2; }
done
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVALDORIK_FUZZ=ON \
  -DVALDORIK_BACKEND=none -DVALDORIK_TESTS=OFF -DVALDORIK_BENCH=OFF >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/%/_fuzz}"

run_target() {
  local target=$1 seconds=$2
  mkdir -p "build-fuzz/corpus/$target" build-fuzz/crashes
  # stderr of the code under test is closed (the loader reports every refused
  # picture there); libFuzzer and the sanitizers keep their own copy of it.
  "build-fuzz/${target}_fuzz" -max_total_time="$seconds" -close_fd_mask=2 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/crashes/$target-" \
    "build-fuzz/corpus/$target" "fuzz/corpus/$target" >"build-fuzz/$target.log" 2>&1
}
export -f run_target

echo "Fuzzing ${targets[*]} for $seconds s each, two at a time"
status=0
printf '%s\n' "${targets[@]}" | xargs -P2 -I{} bash -c "run_target {} $seconds" || status=$?

for target in "${targets[@]}"; do
  log="build-fuzz/$target.log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  corpus=$(grep -o 'corp: [0-9]*/[0-9a-zA-Z]*' "$log" | tail -1 | cut -d' ' -f2 || true)
  echo "$target: ${runs:-?} executions, corpus ${corpus:-?} (inputs/bytes)"
done
if [ "$status" -ne 0 ]; then
  for target in "${targets[@]}"; do
    log="build-fuzz/$target.log"
    grep -q -E "^SUMMARY|ERROR:" "$log" || continue
    echo "--- $log" >&2
    grep -v -E "^#[0-9]+" "$log" | tail -40 >&2
  done
  echo "Saved inputs:" >&2
  ls -l build-fuzz/crashes >&2
  exit 1
fi
