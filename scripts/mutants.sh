#!/usr/bin/env bash
# The mutation check: does the test suite notice the faults a player would?
# Each mutant in tests/mutants/ is a small patch that plants one such fault;
# its first line says what a player would see, its second which tests
# should catch it (a ctest -R pattern; "all" for the whole suite).
#
#   scripts/mutants.sh              every mutant
#   scripts/mutants.sh NAME...      only these (file names without .patch)
#
# The committed tree is checked out into a scratch worktree (build-mutants/)
# and built there, incrementally from one run to the next; each mutant is
# applied to it, built, tested, and taken back out.
# Ends with "N mutants, K killed, S survived"; exits non-zero when a mutant
# survived, no longer applies or does not build.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scratch=$root/build-mutants
mutants=()
if [ $# -gt 0 ]; then
  for name in "$@"; do mutants+=("tests/mutants/$name.patch"); done
else
  mutants=(tests/mutants/*.patch)
fi

scripts/install-deps.sh test
tree=$scratch/src-tree
build=$scratch/build
commit=$(git rev-parse HEAD)
mkdir -p "$scratch"
if [ -e "$tree/.git" ]; then
  git -C "$tree" reset -q --hard && git -C "$tree" checkout -q --detach "$commit"
else
  rm -rf "$tree"
  git worktree prune
  git worktree add -q --detach "$tree" "$commit"
fi || { echo "mutants: cannot check out $commit into $tree" >&2; exit 1; }
# The browser tests' driver, as install-deps.sh pinned it here: without it
# every browser test would fail at once and kill any mutant.
ln -sfn "$root/tests/web/node_modules" "$tree/tests/web/node_modules"
echo "Building the unmutated game and its tests in $build"
cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
  cmake --build "$build" -j"$(nproc)" >"$scratch/build.log" 2>&1 ||
  { tail -30 "$scratch/build.log"; echo "mutants: the unmutated tree does not build" >&2; exit 1; }

killed=0 survived=0 broken=0
for patch in "${mutants[@]}"; do
  name=$(basename "$patch" .patch)
  what=$(sed -n '1s/^# *//p' "$patch")
  tests=$(sed -n '2s/^# *tests: *//p' "$patch")
  log=$scratch/$name.log
  if ! (cd "$tree" && git apply -p1 --check "$root/$patch" 2>"$log"); then
    echo "BROKEN    $name: the patch no longer applies"
    broken=$((broken + 1))
    continue
  fi
  (cd "$tree" && git apply -p1 "$root/$patch")
  if ! cmake --build "$build" -j"$(nproc)" >"$log" 2>&1; then
    echo "BROKEN    $name: does not build (see $log)"
    broken=$((broken + 1))
  else
    pattern=()
    [ "$tests" != "all" ] && pattern=(-R "$tests")
    if (cd "$build" && timeout 900 ctest -j"$(nproc)" "${pattern[@]}" >>"$log" 2>&1); then
      if grep -q "No tests were found" "$log"; then
        echo "BROKEN    $name: no test matches '$tests'"
        broken=$((broken + 1))
      else
        echo "SURVIVED  $name: $what"
        survived=$((survived + 1))
      fi
    else
      echo "killed    $name by $(sed -n '/tests FAILED:/,$p' "$log" | grep -o '[0-9]\+ - [^ ]*' | sed 's/^[0-9]* - //' | head -3 | paste -sd, -)"
      killed=$((killed + 1))
    fi
  fi
  (cd "$tree" && git apply -R -p1 "$root/$patch")
done
# Leave the scratch build unmutated for the next run.
cmake --build "$build" -j"$(nproc)" >/dev/null 2>&1
echo "${#mutants[@]} mutants, $killed killed, $survived survived"
[ "$survived" -eq 0 ] && [ "$broken" -eq 0 ]
