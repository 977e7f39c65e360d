# Sourced by the whole-run benchmarks (scan_run.sh, scan_scale.sh): a scratch
# Wine prefix and one timed run of each program over its drive C.
#
#   scan_bench_prepare NATIVE_BUILD_DIR
#       builds win64, makes the prefix in a temporary folder (gone on exit)
#       and converts the shipped set to ClamAV's forms; sets root, bin, work
#       and drive_c.
#   time_purvane       Purvane.exe from the click on "&Analyser !" to the
#                      summary box, as the outside driver measures it
#   time_clamscan      clamscan -r over drive C with the shipped set
#   time_walk_floor [--bare]
#                      the walk with only the window's work for each file,
#                      or (--bare) the walk alone
#   check_costs        the walk's and the checks' steps, timed one by one
#   runs_of N COMMAND...   N timings of COMMAND, one a line
# Each time_ function prints seconds, and fails when its run gave none.
bench_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$bench_dir")
. "$root/demo/plant.sh"
. "$bench_dir/median.sh"

scan_bench_prepare() {
  local native=$1
  (cd "$root" && scripts/quietly scripts/build win64)
  bin=$(dirname "$native")/win64/bin
  work=$(mktemp -d)
  export PURVANE_WINEPREFIX=$work/prefix
  trap 'WINEPREFIX=$PURVANE_WINEPREFIX wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
  "$root/scripts/wine-exec" --prefix
  drive_c=$PURVANE_WINEPREFIX/drive_c
  "$native/bin/sigtool" export-clamav "$bin" "$work/shipped"
}

runs_of() {
  local n=$1 i
  shift
  for ((i = 0; i < n; i++)); do "$@"; done
}

# on_display COMMAND...: COMMAND on a display of its own; the display
# server's farewell on the error output is left out.
on_display() { xvfb-run -a "$@" 2> >(grep -v '^X connection to .* broken' >&2); }

# seconds_from LABEL: the number after "LABEL: " in the standard input.
seconds_from() {
  local seconds
  seconds=$(tr -d '\r' | sed -n "s/^$1: //p")
  [ -n "$seconds" ] || { echo "no $1 figure from the run" >&2; return 1; }
  echo "$seconds"
}

time_purvane() {
  on_display "$root/scripts/wine-exec" "$bin/purvane_driver.exe" "$(windows_path "$bin/Purvane.exe")" \
    | seconds_from elapsed
}

time_clamscan() {
  local start
  start=$(date +%s.%N)
  clamscan --no-summary --infected -r -d "$work/shipped.ndb" -d "$work/shipped.mdb" "$drive_c" >"$work/clam.log" || true
  awk "BEGIN { printf \"%.3f\\n\", $(date +%s.%N) - $start }"
}

# The cost of each step of the walk and the checks over drive C, without a
# window (bench/windows/check_costs.cpp): one line a step.
check_costs() { "$root/scripts/wine-exec" "$bin/check_costs.exe" 'C:\' | tr -d '\r'; }

time_walk_floor() {
  on_display "$root/scripts/wine-exec" "$bin/walk_floor.exe" "$@" 'C:\' | seconds_from seconds
}
