#!/usr/bin/env bash
# Builds the release a Windows user takes: build/windows/dist/
# BankMasterUpdater-<version>-win64.zip (the updater, its usage note in
# Japanese, the licence and the notices of what it carries from others) and
# the SHA-256 file beside it.  The same as
#   cmake --preset windows && cmake --build --preset windows --target package
# after the set-up.  scripts/test.sh checks the zip and runs what it holds.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target package
echo
ls -l build/windows/dist/BankMasterUpdater-*-win64.zip*
cat build/windows/dist/BankMasterUpdater-*-win64.zip.sha256
