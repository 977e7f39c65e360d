#!/usr/bin/env bash
# Pattern engine throughput against YARA, ClamAV and Hyperscan (block mode):
# the same 4500 patterns over the same corpus of real binaries (a Wine
# prefix's system folders and /usr/lib, about CORPUS_MB megabytes, page cache
# warm), each single-threaded in the same run. Checks the four agree on which
# files match. Whole-run figures include loading and compiling the patterns;
# scan-only figures (ours and Hyperscan's, timed inside the programs) count
# reading and scanning the files. The last line gives MB/s for each and our
# ratio against each.
#   scripts/bench sscan [CORPUS_MB]
set -euo pipefail
build=$1
limit_mb=${2:-300}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tool=$build/bin/sscan_bench
hyperscan=$build/bin/hyperscan_scan

# The corpus: regular files of the Wine prefix's system folders, then of
# /usr/lib, in a fixed order, up to the size limit.
. "$root/scripts/wine-env"
"$root/scripts/wine-exec" --prefix
{
  find "$PURVANE_WINEPREFIX/drive_c/windows/system32" "$PURVANE_WINEPREFIX/drive_c/windows/syswow64" \
       -type f -size +0 -printf '%s\t%p\n' 2>/dev/null | LC_ALL=C sort -k2
  find /usr/lib -type f -size +0 -readable -printf '%s\t%p\n' 2>/dev/null | LC_ALL=C sort -k2
} | awk -F'\t' -v limit=$((limit_mb * 1024 * 1024)) 'total + $1 > limit { exit } { print $2; total += $1 }' \
  >"$work/corpus.txt" || true   # awk leaves early on purpose
bytes=$(tr '\n' '\0' <"$work/corpus.txt" | du -cb --files0-from=- | tail -1 | cut -f1)
files=$(wc -l <"$work/corpus.txt")
echo "corpus: $files files, $((bytes / 1024 / 1024)) MB"
tr '\n' '\0' <"$work/corpus.txt" | xargs -0 cat >/dev/null   # warm the page cache

"$tool" compile
"$tool" generate "$work/corpus.txt" "$work"

now() { date +%s.%N; }

# Each figure is the whole run's wall clock, loading and compiling included.
t0=$(now)
"$tool" scan "$work/SIG_MSN.DAT" "$work/corpus.txt" "$work/ours.txt" >"$work/ours.log"
ours_s=$(echo "$(now) - $t0" | bc)
cat "$work/ours.log"

t0=$(now)
yara --threads=1 --scan-list "$work/rules.yar" "$work/corpus.txt" 2>"$work/yara.err" \
  | awk '{ $1 = ""; sub(/^ /, ""); print }' | sort -u >"$work/yara.txt" || true
yara_s=$(echo "$(now) - $t0" | bc)

t0=$(now)
clamscan --no-summary --infected --database="$work/sigs.ndb" --file-list="$work/corpus.txt" \
  --max-filesize=4000M --max-scansize=4000M --max-files=0 --scan-archive=no --scan-pe=no --scan-elf=no \
  --scan-ole2=no --scan-pdf=no --scan-swf=no --scan-html=no --scan-xmldocs=no --scan-hwp3=no --scan-mail=no \
  --bytecode=no --heuristic-alerts=no 2>"$work/clam.err" \
  | sed -n 's/: [^ ]* FOUND$//p' | sort -u >"$work/clam.txt" || true
clam_s=$(echo "$(now) - $t0" | bc)

t0=$(now)
"$hyperscan" "$work/sigs.ndb" "$work/corpus.txt" "$work/hs.txt" >"$work/hs.log"
hs_s=$(echo "$(now) - $t0" | bc)
cat "$work/hs.log"

sort -u "$work/ours.txt" -o "$work/ours.txt"
sort -u "$work/hs.txt" -o "$work/hs.txt"
agree=yes
for peer in yara clam hs; do
  if ! cmp -s "$work/ours.txt" "$work/$peer.txt"; then
    agree=no
    echo "disagreement with $peer (< ours, > $peer):"
    diff "$work/ours.txt" "$work/$peer.txt" | head -10
  fi
done
echo "matching files: ours $(wc -l <"$work/ours.txt"), yara $(wc -l <"$work/yara.txt"), clamscan $(wc -l <"$work/clam.txt"), hyperscan $(wc -l <"$work/hs.txt"); agree: $agree"

mbps() { echo "scale=1; $bytes / 1048576 / $1" | bc; }
ratio() { awk "BEGIN { printf \"%.2f\", $1 / $2 }"; }
scan_only() { sed -n 's/^seconds //p' "$1"; }
ours_mbps=$(mbps "$ours_s"); yara_mbps=$(mbps "$yara_s"); clam_mbps=$(mbps "$clam_s"); hs_mbps=$(mbps "$hs_s")
ours_scan_mbps=$(mbps "$(scan_only "$work/ours.log")"); hs_scan_mbps=$(mbps "$(scan_only "$work/hs.log")")
echo "scan only: sscan $ours_scan_mbps MB/s, hyperscan $hs_scan_mbps MB/s (ratio $(ratio "$ours_scan_mbps" "$hs_scan_mbps")x)"
echo "sscan $ours_mbps MB/s, yara $yara_mbps MB/s, clamscan $clam_mbps MB/s, hyperscan $hs_mbps MB/s with compiling, $hs_scan_mbps MB/s scan only;" \
     "ratio vs yara $(ratio "$ours_mbps" "$yara_mbps")x, vs clamscan $(ratio "$ours_mbps" "$clam_mbps")x," \
     "vs hyperscan $(ratio "$ours_mbps" "$hs_mbps")x, vs hyperscan's scan only $(ratio "$ours_mbps" "$hs_scan_mbps")x"
[ "$agree" = yes ]
