#!/usr/bin/env bash
# Start-up time of Purvane.exe with full-size tables (4500 patterns, 260,000
# fingerprints), from launch to its idle window, against two floors: a bare
# Win32 program that only opens a window, and a floor window with the same
# manifest, the same system libraries (comctl32 v6, shell32, uxtheme) and one
# common control. All three are timed by the same Windows driver in the same
# Wine session, started in turn, RUNS rounds after one untimed round (the
# session's first starts); the medians are compared. Last line: the times
# and our ratio to each.
#   scripts/bench startup [RUNS]
set -euo pipefail
native=$1
runs=${2:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/median.sh"
build=$(dirname "$native")
"$root/scripts/quietly" "$root/scripts/build" win64
bin=$build/win64/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The full-size signature set, beside a copy of the program and the engine.
cp "$bin/Purvane.exe" "$bin/QZ_SSCAN.DLL" "$bin/startup_timer.exe" "$bin/bare_window.exe" "$bin/floor_window.exe" "$work/"
awk 'BEGIN { for (i = 0; i < 4500; i++) printf "Bench.Pattern.%d\t4D5A%08X????00%08X\n", i, i, i * 7 }' >"$work/patterns.src"
awk 'BEGIN { for (i = 0; i < 260000; i++) printf "%d\t%08X%08X%08X%08X\tBench.Fp.%d\n", 512 + i % 4096, i, i * 31, i * 17, i * 13, i }' \
  >"$work/fingerprints.src"
sigtool=$native/bin/sigtool
"$sigtool" build-patterns "$work/patterns.src" "$work/SIG_MSN.DAT" >/dev/null
"$sigtool" build-fingerprints "$work/fingerprints.src" "$work/mdpe_msn.dat" >/dev/null

. "$root/scripts/wine-env"
"$root/scripts/wine-exec" --prefix
display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a)
cd "$work"
times=$("${display[@]}" bash -c '
  w=$1; runs=$2
  for ((round = 0; round <= runs; round++)); do
    for program in Purvane.exe bare_window.exe floor_window.exe; do
      ms=$("$w" startup_timer.exe 1 "$program" | tr -d "\r")
      [ "$round" = 0 ] || echo "$program $ms"
    done
  done
  WINEPREFIX=$PURVANE_WINEPREFIX wineserver -k || true
' startup "$root/scripts/wine-exec" "$runs")
median_of() { awk -v program="$1" '$1 == program { print $2 }' <<<"$times" | median; }
ours=$(median_of Purvane.exe); bare=$(median_of bare_window.exe); floor=$(median_of floor_window.exe)
ratio() { awk "BEGIN { printf \"%.2f\", $ours / $1 }"; }
echo "start-up to idle window, median of $runs: Purvane ${ours} ms, bare window ${bare} ms, floor window ${floor} ms;" \
     "ratio $(ratio "$bare")x the bare window, $(ratio "$floor")x the floor window"
