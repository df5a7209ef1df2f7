#!/usr/bin/env bash
# Runs a Windows program of the build under Wine in the project's prefix
# (CTest's emulator for the Windows build).  Console output arrives in code
# page 932 and is passed on as UTF-8.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
[ -f "$WINEPREFIX/system.reg" ] || fresh_wine_prefix
wine "$@" 2>&1 | iconv -f CP932 -t UTF-8 -c | tr -d '\r'
exit "${PIPESTATUS[0]}"
