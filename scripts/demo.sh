#!/usr/bin/env bash
# Builds the updater and runs it under Wine in a private demo prefix.  With a
# display the wizard opens on it; without one it runs on a virtual display,
# is walked by the UI driver, and leaves screenshots in build/demo/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target BankMasterUpdater uidriver
source scripts/wine-env.sh
export WINEPREFIX=$WINE_ROOT/demo
[ -f "$WINEPREFIX/system.reg" ] || fresh_wine_prefix

exe=build/windows/BankMasterUpdater.exe
if [ -n "${DISPLAY:-}" ]; then
  echo "demo: starting the updater on $DISPLAY"
  wine "$exe"
  exit 0
fi

mkdir -p build/demo
cat > build/demo/walk.sh <<'WALK'
set -u
drive() { timeout 120 scripts/wine-run.sh build/windows/tools/uidriver.exe "$@"; }
# One server for the whole walk, up before the first program starts: two
# programs racing to start it in a new prefix can hang.
wineserver -p 30
wine cmd /c exit >/dev/null 2>&1
wine build/windows/BankMasterUpdater.exe &
drive wait-wizard 30000 || { echo "demo: the wizard did not appear"; exit 1; }
sleep 1
echo "-- welcome page"; drive wizard
drive screenshot build/demo/1-welcome.png
drive press next; sleep 1
echo "-- after Next"; drive wizard
drive screenshot build/demo/2-next.png
drive press cancel
drive wait-exit 10000
wineserver -k
WALK
xvfb-run -a -s "-screen 0 1024x768x24" bash build/demo/walk.sh
echo "demo: screenshots in build/demo/"
