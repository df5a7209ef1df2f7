#!/usr/bin/env bash
# The update run at national scale, in figures: the native benchmark at
# scale 1 (with the sqlite3 shell as the reference), the memory comparison
# (scale 0 and scale 10, each in a process of its own so that each peak is
# its own), and with --wine the Windows build under Wine, compared with the
# reference timed natively.  Prints each run's figures, then a short table.
#
#   scripts/bench.sh [--wine] [--data FILE.tsv] [--repeat N]
#
# --data FILE.tsv  a real list (UTF-8 TSV, header "type bank branch kanji
#                  kana") instead of the synthetic one, for the scale-1 runs;
#                  the memory comparison stays synthetic.
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

run native-1 "$native" "${data[@]}" "${repeat[@]}" --breakdown
run native-0 "$native" --scale 0 --repeat 1 --no-reference
run native-10 "$native" --scale 10 "${repeat[@]}"

runs=(native-1 native-0 native-10)

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
  ref_a=$(field native-1 a_reference)
  ref_b=$(field native-1 b_reference)
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
echo "   lock..end = backup + deletion + merge; ratio = lock..end / sqlite3 shell)"
printf '%-10s %7s %9s %9s %9s %7s %9s %9s %9s %7s %10s\n' run rows \
  "(a)l..end" "(a)whole" "(a)ref" "(a)x" "(b)l..end" "(b)whole" "(b)ref" "(b)x" "peak RSS"
ratio() {
  local t=$1 ref=$2
  if [ -n "$ref" ] && [ -n "$t" ] && awk "BEGIN{exit !($ref > 0)}"; then
    awk "BEGIN{printf \"%.1fx\", $t / $ref}"
  else
    echo -
  fi
}
for r in "${runs[@]}"; do
  [ -s "$out/$r.result" ] || continue
  a_l=$(field "$r" a_lock_to_end); a_w=$(field "$r" a_whole); a_r=$(field "$r" a_reference)
  b_l=$(field "$r" b_lock_to_end); b_w=$(field "$r" b_whole); b_r=$(field "$r" b_reference)
  rss=$(field "$r" peak_rss_kib)
  printf '%-10s %7s %9s %9s %9s %7s %9s %9s %9s %7s %10s\n' "$r" "$(field "$r" master_rows)" \
    "$a_l" "$a_w" "${a_r:--}" "$(ratio "$a_l" "$a_r")" "$b_l" "$b_w" "${b_r:--}" "$(ratio "$b_l" "$b_r")" \
    "$(awk "BEGIN{printf \"%.1f MiB\", $rss / 1024}")"
done
