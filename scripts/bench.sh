#!/usr/bin/env bash
# The update run at national scale, in figures: the native benchmark at
# scale 1 (with the sqlite3 shell as the reference, and the floor of the
# run's file work), scale 0 and scale 10 (each in a process of its own so
# that each peak of memory is its own), and with --wine the Windows build
# under Wine, compared with the native run.  Prints each run's figures, then
# a summary against the targets: lock..end at most half the shell's time,
# linear in size, memory within 4 MiB of the empty run, within 3x of the
# floor, and under Wine every part but the drain within 2x of native.
#
#   scripts/bench.sh [--wine] [--data FILE.tsv] [--repeat N]
#
# --data FILE.tsv  a real list (UTF-8 TSV, header "type bank branch kanji
#                  kana") as well, run natively (and under Wine with --wine);
#                  the scale comparisons stay synthetic.
# --repeat N       runs of each measurement (medians); default 3 natively at
#                  scale 1, 1 elsewhere.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

wine_too=0
data=()
repeat=()
while (($#)); do
  case $1 in
    --wine) wine_too=1 ;;
    --data)
      [ $# -ge 2 ] || { echo "bench: --data needs a file" >&2; exit 2; }
      [ -f "$2" ] || { echo "bench: no file $2" >&2; exit 2; }
      data=(--data "$(realpath "$2")")
      shift ;;
    --repeat)
      [ $# -ge 2 ] || { echo "bench: --repeat needs a number" >&2; exit 2; }
      repeat=(--repeat "$2")
      shift ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

scripts/setup.sh

echo "== building the native benchmark"
cmake --preset native >/dev/null
cmake --build --preset native --target update_bench
native=build/native/bench/update_bench

out=$(mktemp -d)
scratch=""
cleanup() {
  rm -rf "$out"
  [ -z "$scratch" ] || rm -rf "$scratch"
}
trap cleanup EXIT

# run NAME COMMAND...: shows the run's output and keeps its RESULT line.
run() {
  local name=$1
  shift
  echo
  echo "== $name"
  "$@" | tee "$out/$name.txt"
  grep '^RESULT ' "$out/$name.txt" | tail -1 > "$out/$name.result"
}

# field RUN KEY: one value of a run's RESULT line ("" when absent).
field() {
  tr ' ' '\n' < "$out/$1.result" | sed -n "s/^$2=//p"
}

run native-1 "$native" "${repeat[@]}" --breakdown
run native-0 "$native" --scale 0 --repeat 1 --no-reference
run native-10 "$native" --scale 10 "${repeat[@]}"
runs=(native-1 native-0 native-10)
# The run that Wine is compared with: the real list when there is one.
compared=native-1
if ((${#data[@]})); then
  run native-data "$native" "${data[@]}" "${repeat[@]}" --breakdown
  runs+=(native-data)
  compared=native-data
fi

if ((wine_too)); then
  echo
  echo "== building the Windows benchmark"
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target update_bench
  # The package lies beside the executable, as the updater's does: the copy
  # gets a folder of its own.
  scratch=$(mktemp -d)
  cp build/windows/bench/update_bench.exe "$scratch/"
  source scripts/wine-env.sh
  export WINEPREFIX=$WINE_ROOT/bench
  [ -f "$WINEPREFIX/system.reg" ] || fresh_wine_prefix
  wine_data=()
  if ((${#data[@]})); then
    wine_data=(--data "$(winepath -w "${data[1]}" 2>/dev/null)")
  fi
  reference=()
  ref_a=$(field "$compared" a_reference)
  ref_b=$(field "$compared" b_reference)
  [ -n "$ref_a" ] && [ -n "$ref_b" ] && reference=(--reference-seconds "$ref_a,$ref_b")
  wine_repeat=("${repeat[@]}")
  ((${#wine_repeat[@]})) || wine_repeat=(--repeat 1)
  run_wine() {
    wine "$scratch/update_bench.exe" "$@" 2>&1 | tr -d '\r'
    return "${PIPESTATUS[0]}"
  }
  run wine-1 run_wine "${wine_data[@]}" "${wine_repeat[@]}" "${reference[@]}" --breakdown
  wineserver -k 2>/dev/null || true
  runs+=(wine-1)
fi

echo
echo "== summary (seconds; (a) deletes the range first, (b) merges into the master;"
echo "   lock..end = backup + deletion + merge + commit; x ref = lock..end / sqlite3 shell, the median"
echo "   of the runs' own ratios; x floor = lock..end / the package read and the backup's bytes written)"
printf '%-11s %7s %9s %7s %8s %9s %7s %8s %10s %9s\n' run rows \
  "(a)l..end" "(a)xref" "(a)xfloor" "(b)l..end" "(b)xref" "(b)xfloor" "peak RSS" "over empty"
echo "   (over empty: the peak over native-0's, for the native runs; Wine's own process is larger)"
num() { [ -n "$1" ] && echo "$1" || echo -; }
times() { [ -n "$1" ] && echo "${1}x" || echo -; }
empty_rss=$(field native-0 peak_rss_kib)
for r in "${runs[@]}"; do
  [ -s "$out/$r.result" ] || continue
  rss=$(field "$r" peak_rss_kib)
  printf '%-11s %7s %9s %7s %8s %9s %7s %8s %10s %9s\n' "$r" "$(field "$r" master_rows)" \
    "$(num "$(field "$r" a_lock_to_end)")" "$(times "$(field "$r" a_ratio)")" "$(times "$(field "$r" a_floor_ratio)")" \
    "$(num "$(field "$r" b_lock_to_end)")" "$(times "$(field "$r" b_ratio)")" "$(times "$(field "$r" b_floor_ratio)")" \
    "$(awk "BEGIN{printf \"%.1f MiB\", $rss / 1024}")" \
    "$(case $r in native-*) awk "BEGIN{printf \"%+.1f MiB\", ($rss - $empty_rss) / 1024}" ;; *) echo - ;; esac)"
done

# ratio A B: A / B to two places, or "-".
ratio() {
  if [ -n "$1" ] && [ -n "$2" ] && awk "BEGIN{exit !($2 > 0)}"; then awk "BEGIN{printf \"%.2f\", $1 / $2}"; else echo -; fi
}
echo
echo "linear in size: lock..end at ten times the national size over the national one (target at most 10.5)"
for v in a b; do
  echo "  ($v) $(ratio "$(field native-10 ${v}_lock_to_end)" "$(field native-1 ${v}_lock_to_end)")"
done

if ((wine_too)) && [ -s "$out/wine-1.result" ]; then
  echo
  echo "under Wine, plain merge (b), against $compared (target: every part but the drain within 2x of native)"
  # part NAME WINE NATIVE: one line of the comparison.
  part() { printf '  %-34s %8s %8s %7s\n' "$1" "$2" "$3" "$(ratio "$2" "$3")"; }
  printf '  %-34s %8s %8s %7s\n' "" wine native ratio
  w=wine-1; n=$compared
  part "the drain (backup and merge)" \
    "$(awk "BEGIN{printf \"%.3f\", $(field $w b_backup_drain) + $(field $w b_merge_drain)}")" \
    "$(awk "BEGIN{printf \"%.3f\", $(field $n b_backup_drain) + $(field $n b_merge_drain)}")"
  part "backup, the drains left out" "$(field $w b_backup_undrained)" "$(field $n b_backup_undrained)"
  part "merge, the drains left out" "$(field $w b_merge_undrained)" "$(field $n b_merge_undrained)"
  part "commit" "$(field $w b_commit)" "$(field $n b_commit)"
  wine_drain=$(awk "BEGIN{print $(field $w b_backup_drain) + $(field $w b_merge_drain)}")
  wine_run=$(awk "BEGIN{print $(field $w b_backup_run) + $(field $w b_merge_run)}")
  echo "  the drain's share of Wine's backup and merge: $(awk "BEGIN{printf \"%.0f%%\", 100 * $wine_drain / $wine_run}")"
fi
