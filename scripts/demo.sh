#!/usr/bin/env bash
# Builds the updater and runs it under Wine on a demo installation: a private
# prefix holding the two registry values, a NORVIK.EXE of version 2.8, a
# master filled with a year-old national-scale list and the Home folder, and
# beside the updater a fresh package "ZMF0".
#
# With a display the wizard opens on it.  Without one it runs on a virtual
# display, is walked through a full update by the UI driver, says what
# changed, and leaves a screenshot of each page in build/demo/.
#
#   scripts/demo.sh [--data FILE.tsv]   (a real national list instead of the synthetic one)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
walk_only=""
if [ "${1:-}" = "--walk" ]; then walk_only=1; shift; fi  # internal: the part run on the virtual display
data_args=()
if [ "${1:-}" = "--data" ] && [ -n "${2:-}" ]; then data_args=(--data "$(realpath "$2")"); fi

run_demo() {
  wineserver -p 60
  wine cmd /c exit >/dev/null 2>&1
  wine reg add 'HKCU\Software\TolmarkEB\Norvik\Setup' /v Dir /t REG_SZ /d 'C:\TolmarkEB\Norvik' /f >/dev/null
  wine reg add 'HKCU\Software\TolmarkEB\共通\SetUp' /v Dir /t REG_SZ /d 'C:\TolmarkEB\共通' /f >/dev/null
  if [ "${1:-}" = "interactive" ]; then
    wine 'C:\配布\BankMasterUpdater.exe'
    return
  fi
  drive() { timeout 900 scripts/wine-run.sh build/windows/tools/uidriver.exe "$@"; }
  wine 'C:\配布\BankMasterUpdater.exe' &
  drive wait-wizard 60000 || { echo "demo: the wizard did not appear"; return 1; }
  sleep 1
  drive screenshot build/demo/1-welcome.png
  drive press next
  drive wait-page 1 20000 || { echo "demo: the installation checks refused:"; drive box; return 1; }
  sleep 1
  drive wizard | sed -n '/1002/p'
  drive screenshot build/demo/2-update.png
  drive press next
  echo "demo: updating the master..."
  sleep 2
  drive screenshot build/demo/3-running.png
  drive wait-page 2 600000 || { echo "demo: the update did not finish"; return 1; }
  sleep 1
  drive screenshot build/demo/4-done.png
  drive wizard | sed -n '/1007/p'
  drive press finish
  drive wait-exit 20000
  wineserver -k
}

if [ -n "$walk_only" ]; then
  source scripts/wine-env.sh
  run_demo
  exit
fi

scripts/setup.sh
echo "demo: building"
cmake --preset native >/dev/null
cmake --build --preset native --target mkdemo >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target BankMasterUpdater uidriver norvik_2_8_65535_65535 >/dev/null

source scripts/wine-env.sh
export WINEPREFIX=$WINE_ROOT/demo
fresh_wine_prefix
c=$WINEPREFIX/drive_c
product=$c/TolmarkEB/Norvik
common=$c/TolmarkEB/共通
dist=$c/配布
mkdir -p "$product" "$common/DAT" "$common/Home" "$dist" build/demo
cp build/windows/tests/fixtures/norvik_2_8_65535_65535.exe "$product/NORVIK.EXE"
cp build/windows/BankMasterUpdater.exe "$dist/"
echo "demo: making a year-old master and a fresh package"
build/native/tools/national_data/mkdemo build/demo/data "${data_args[@]}"
cp build/demo/data/BNKDB.LCA "$common/DAT/BNKDB.LCA"
cp build/demo/data/BNKDB.LCA build/demo/master-before.lca
cp build/demo/data/ZMF0 "$dist/ZMF0"


if [ -n "${DISPLAY:-}" ]; then
  echo "demo: starting the updater on $DISPLAY"
  run_demo interactive
  exit 0
fi

xvfb-run -a -s "-screen 0 1024x768x24" "$PWD/scripts/demo.sh" --walk

echo "demo: what the update did (a name counts as changed when it reads differently; padding aside)"
sqlite3 "$common/DAT/BNKDB.LCA" <<SQL
ATTACH 'build/demo/master-before.lca' AS before;
SELECT printf('  banks:    %6d before, %6d after, %5d added, %5d changed',
  (SELECT COUNT(*) FROM before.TBANK), (SELECT COUNT(*) FROM main.TBANK),
  (SELECT COUNT(*) FROM main.TBANK a WHERE NOT EXISTS (SELECT 1 FROM before.TBANK b WHERE b.BANKCODE = a.BANKCODE)),
  (SELECT COUNT(*) FROM main.TBANK a JOIN before.TBANK b USING (BANKCODE)
     WHERE a.BANKKANA IS NOT b.BANKKANA OR rtrim(a.BANKKNJI, '　 ') IS NOT rtrim(b.BANKKNJI, '　 ')));
SELECT printf('  branches: %6d before, %6d after, %5d added, %5d changed',
  (SELECT COUNT(*) FROM before.TBRAN), (SELECT COUNT(*) FROM main.TBRAN),
  (SELECT COUNT(*) FROM main.TBRAN a WHERE NOT EXISTS
     (SELECT 1 FROM before.TBRAN b WHERE b.BANKCODE = a.BANKCODE AND b.BRNCCODE = a.BRNCCODE)),
  (SELECT COUNT(*) FROM main.TBRAN a JOIN before.TBRAN b USING (BANKCODE, BRNCCODE)
     WHERE a.BRNCKANA IS NOT b.BRNCKANA OR rtrim(a.BRNCKNJI, '　 ') IS NOT rtrim(b.BRNCKNJI, '　 ')));
SQL
echo "  backup:   $(stat -c %s "$common/Home/ZMF0.BAK") bytes in C:\\TolmarkEB\\共通\\Home\\ZMF0.BAK"
echo "demo: screenshots of each page in build/demo/"
