#!/usr/bin/env bash
# The whole scan run against clamscan over the same folder: a clean Wine
# prefix's drive C, the shipped signature set (converted to ClamAV's forms
# for clamscan). Our figure is Purvane.exe's run from the click on
# "&Analyser !" to the summary box, as the outside driver measures it; the
# peer's is `clamscan -r` over drive C. Three runs each, the medians compared.
#   bench/scan_run.sh NATIVE_BUILD_DIR
set -euo pipefail
. "$(dirname "$0")/scan_common.sh"
scan_bench_prepare "$1"
echo "drive C: $(find "$drive_c" -type f | wc -l) files, $(du -sm "$drive_c" | cut -f1) MB"

runs_of 3 time_purvane >"$work/ours.txt"
runs_of 3 time_clamscan >"$work/clam.txt"
ours=$(median <"$work/ours.txt"); clam=$(median <"$work/clam.txt")
echo "clamscan found: $(grep -c FOUND "$work/clam.log" || true)"
echo "Purvane.exe run: $ours s (runs: $(tr '\n' ' ' <"$work/ours.txt")); clamscan -r: $clam s (runs: $(tr '\n' ' ' <"$work/clam.txt"))"
echo "scan_run: $ours s vs clamscan $clam s, ratio $(echo "scale=3; $ours / $clam" | bc)x"
