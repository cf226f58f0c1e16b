#!/bin/sh
# Runs a Windows test exe under wine for ctest, its output going through a
# file: a wine service process the test happens to start (the desktop)
# inherits the test's streams and outlives it, and ctest would wait on those
# streams until the service ends, long after the test itself.
out=$(mktemp "${TMPDIR:-/tmp}/vx-wine-test.XXXXXX") || exit 1
trap 'rm -f "$out"' EXIT
wine "$@" >"$out" 2>&1
rc=$?
cat "$out"
# A test program that dies under wine (a stack overflow, say) may still end
# with status 0: a GoogleTest run passes only when it says so at its end.
if [ $rc -eq 0 ] && grep -q '^\[==========\] Running' "$out" && ! grep -q '^\[  PASSED  \]' "$out"; then
    echo "wine-test: the test program ended without its summary" >&2
    rc=1
fi
exit $rc
