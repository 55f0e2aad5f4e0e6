#!/bin/bash
# scripts/skipped-tests on a ctest log holding a passed test, a test skipped with a two-line
# reason and one skipped without a word: only the skipped ones are named, each with its reason.
#   skipped_tests_test.sh SOURCE_DIR
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Testing/Temporary"
cat >"$work/Testing/Temporary/LastTest.log" <<'LOG'
1/3 Testing: Suite.Passes
Output:
[ RUN      ] Suite.Passes
[       OK ] Suite.Passes (0 ms)
<end of output>
2/3 Testing: Data.NeedsTheFolder
Output:
[ RUN      ] Data.NeedsTheFolder
/src/tests/data_test.cpp:12: Skipped
data not found in "/nowhere";
comparison skipped

[  SKIPPED ] Data.NeedsTheFolder (0 ms)
[  SKIPPED ] 1 test, listed below:
[  SKIPPED ] Data.NeedsTheFolder
<end of output>
3/3 Testing: Quiet.Skip
Output:
/src/tests/quiet_test.cpp:3: Skipped

[  SKIPPED ] Quiet.Skip (0 ms)
<end of output>
LOG
expected=$'Why the tests did not run:\n\t2 - Data.NeedsTheFolder: data not found in "/nowhere"; comparison skipped\n\t3 - Quiet.Skip: (no reason given)'
got=$("$1/scripts/skipped-tests" "$work")
if [ "$got" != "$expected" ]; then
  printf 'FAIL: got\n%s\nexpected\n%s\n' "$got" "$expected"
  exit 1
fi
[ -z "$("$1/scripts/skipped-tests" "$work/none")" ] || { echo "FAIL: output without a log"; exit 1; }
echo "ok"
