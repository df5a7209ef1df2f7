#!/usr/bin/env bash
# Makes the release zip of a built Windows tree as the package target does
# (CPack), checks it the way a user would (the SHA-256 file, the files
# inside, the texts' encoding and line ends) and unpacks it into OUT for the
# end-to-end run of the unpacked updater.
#
#   check_release.sh BUILD_DIR OUT VERSION
set -euo pipefail
build=$1 out=$2 version=$3
name=BankMasterUpdater-$version-win64

fail() { echo "release: $*" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G ZIP -B "$out/cpack" >/dev/null)
zip=$out/cpack/$name.zip
[ -f "$zip" ] || fail "no $name.zip"
[ -f "$zip.sha256" ] || fail "no $name.zip.sha256 beside the zip"
(cd "$out/cpack" && sha256sum --check --strict --quiet "$name.zip.sha256") || fail "the checksum does not match"

(cd "$out" && cmake -E tar xf "$zip")
dir=$out/$name
[ -d "$dir" ] || fail "the zip holds no folder $name"
listing=$(cd "$dir" && find . -type f | sort | tr '\n' ' ')
expected="./BankMasterUpdater.exe ./LICENSE.txt ./README-ja.txt ./THIRD-PARTY-NOTICES.txt "
[ "$listing" = "$expected" ] || fail "the zip holds: $listing; expected: $expected"

for text in README-ja.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
  lines=$(wc -l < "$dir/$text")
  crlf=$(grep -c $'\r$' "$dir/$text" || true)
  [ "$lines" -gt 0 ] && [ "$lines" = "$crlf" ] && [ -z "$(tail -c1 "$dir/$text" | tr -d '\n')" ] ||
    fail "$text: $crlf of $lines lines end with CR LF"
done
[ "$(head -c3 "$dir/README-ja.txt" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "README-ja.txt has no UTF-8 byte order mark"
iconv -f UTF-8 -t UTF-8 "$dir/README-ja.txt" >/dev/null || fail "README-ja.txt is not UTF-8"
grep -q "バージョン $version" "$dir/README-ja.txt" || fail "README-ja.txt does not name version $version"
grep -q "Home\\\\ZMF0.BAK" "$dir/README-ja.txt" || fail "README-ja.txt does not say where the backup goes"
grep -q "winpthreads" "$dir/THIRD-PARTY-NOTICES.txt" || fail "the notices lack the runtime linked into the exe"
echo "release: $name.zip checked and unpacked in $dir"
