#!/usr/bin/env bash
# Every test of the project: the native unit tests, the same under
# AddressSanitizer and UndefinedBehaviorSanitizer with the fuzz targets run
# briefly, then the Windows build's unit tests and end-to-end tests under
# Wine on a virtual display.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== native build under AddressSanitizer and UndefinedBehaviorSanitizer, tests and fuzz targets"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize -j2

echo "== Windows build, tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows
source scripts/wine-env.sh
export WINEPREFIX=$WINE_ROOT/test
fresh_wine_prefix
status=0
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset windows || status=$?
wineserver -k 2>/dev/null || true
echo "screenshots of the end-to-end tests: build/windows/artifacts/"
exit $status
