#!/usr/bin/env bash
# The whole scan run against clamscan over the same folder: a clean Wine
# prefix's drive C, the shipped signature set (converted to ClamAV's forms
# for clamscan). Our figure is Purvane.exe's run from the click on
# "&Analyser !" to the summary box, as the outside driver measures it; the
# peer's is `clamscan -r` over drive C. Three runs each, the medians compared.
#   bench/scan_run.sh NATIVE_BUILD_DIR
set -euo pipefail
native=$1
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/demo/plant.sh"
build_root=$(dirname "$native")
(cd "$root" && scripts/quietly scripts/build win64)
bin=$build_root/win64/bin
work=$(mktemp -d)
export PURVANE_WINEPREFIX=$work/prefix
trap 'WINEPREFIX=$PURVANE_WINEPREFIX wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
"$root/scripts/wine-exec" --prefix
drive_c=$PURVANE_WINEPREFIX/drive_c
echo "drive C: $(find "$drive_c" -type f | wc -l) files, $(du -sm "$drive_c" | cut -f1) MB"

"$native/bin/sigtool" export-clamav "$bin" "$work/shipped"
median() { sort -n | sed -n 2p; }

for i in 1 2 3; do
  xvfb-run -a "$root/scripts/wine-exec" "$bin/purvane_driver.exe" "$(windows_path "$bin/Purvane.exe")" \
    | sed -n 's/^elapsed: //p'
done >"$work/ours.txt"
for i in 1 2 3; do
  start=$(date +%s.%N)
  clamscan --no-summary --infected -r -d "$work/shipped.ndb" -d "$work/shipped.mdb" "$drive_c" >"$work/clam.log" || true
  echo "$(date +%s.%N) - $start" | bc
done >"$work/clam.txt"
ours=$(median <"$work/ours.txt"); clam=$(median <"$work/clam.txt")
[ -n "$ours" ] || { echo "the run gave no summary" >&2; exit 1; }
echo "clamscan found: $(grep -c FOUND "$work/clam.log" || true)"
echo "Purvane.exe run: $ours s (runs: $(tr '\n' ' ' <"$work/ours.txt")); clamscan -r: $clam s (runs: $(tr '\n' ' ' <"$work/clam.txt"))"
echo "scan_run: $ours s vs clamscan $clam s, ratio $(echo "scale=3; $ours / $clam" | bc)x"
