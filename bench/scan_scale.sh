#!/usr/bin/env bash
# The whole run as drive C grows. A clean Wine prefix's drive C, then with
# 10,000 and with N extra files (default 50,000) in 1,000 folders: one in
# ten an .exe of 20 KB (admitted to both checks; not a PE image), the rest
# .txt of 2 KB, each file with bytes of its own. At each size, the median of
# RUNS runs (default 3) of each of: Purvane.exe from the click to the summary
# (the outside driver's elapsed), clamscan -r with the same set, the walk
# floor (the walk with only the window's work for each file,
# bench/windows/walk_floor.cpp) and the bare walk. Prints the times, the
# ratios, and the cost per extra file (the time above the clean drive's,
# divided by the extra files), whose growth from 10,000 to N shows a walk
# that does not scale linearly. An untimed run of the program goes first.
#   scripts/bench scan_scale [N [RUNS]]
set -euo pipefail
. "$(dirname "$0")/scan_common.sh"
extra=${2:-50000}
runs=${3:-3}
scan_bench_prepare "$1"
tree=$drive_c/scale

# add_files FROM TO: the extra files FROM to TO-1; file i goes to folder i mod 1000.
add_files() {
  mkdir -p "$tree"/d{000..999}
  awk -v from="$1" -v to="$2" -v tree="$tree" 'BEGIN {
    for (i = from; i < to; i++) {
      exe = i % 10 == 0
      path = sprintf("%s/d%03d/f%06d.%s", tree, i % 1000, i, exe ? "exe" : "txt")
      for (line = 0; line < (exe ? 320 : 32); line++)   # 64-byte lines: 20 KB or 2 KB
        printf "%012d %012d %037d\n", i, line, (i * 7919 + line * 104729) % 1000003 > path
      close(path)
    }
  }'
}

# The first run in a new prefix also pays for the prefix's first start.
time_purvane >/dev/null

calc() { awk "BEGIN { printf \"%.${2:-3}f\", $1 }"; }
declare -A ours clam floor walk
sizes=(0)
[ "$extra" -gt 10000 ] && sizes+=(10000)
sizes+=("$extra")
made=0
for n in "${sizes[@]}"; do
  add_files "$made" "$n"; made=$n
  echo "extra $n: drive C holds $(find "$drive_c" -type f | wc -l) files, $(du -sm "$drive_c" | cut -f1) MB"
  ours[$n]=$(runs_of "$runs" time_purvane | median)
  clam[$n]=$(runs_of "$runs" time_clamscan | median)
  floor[$n]=$(runs_of "$runs" time_walk_floor | median)
  walk[$n]=$(runs_of "$runs" time_walk_floor --bare | median)
  echo "  Purvane ${ours[$n]} s, walk floor ${floor[$n]} s, clamscan -r ${clam[$n]} s, bare walk ${walk[$n]} s;" \
       "Purvane/floor $(calc "${ours[$n]} / ${floor[$n]}" 2)x, Purvane/clamscan $(calc "${ours[$n]} / ${clam[$n]}" 2)x"
done

echo "where the time goes at $extra extra files, step by step, without a window:"
check_costs | sed 's/^/  /'

# per_file TIMES N: milliseconds per extra file at N.
per_file() { local -n t=$1; calc "(${t[$2]} - ${t[0]}) * 1000 / $2"; }
for n in "${sizes[@]:1}"; do
  echo "per extra file at $n: Purvane $(per_file ours "$n") ms, walk floor $(per_file floor "$n") ms," \
       "clamscan -r $(per_file clam "$n") ms, bare walk $(per_file walk "$n") ms"
done
last=$(per_file ours "$extra")
growth=""
if [ "${#sizes[@]}" -eq 3 ]; then
  growth=", $(per_file ours 10000) ms at 10000 ($(calc "$last / $(per_file ours 10000)" 2)x)"
fi
echo "scan_scale: at $extra extra files Purvane ${ours[$extra]} s, $(calc "${ours[$extra]} / ${floor[$extra]}" 2)x the walk floor" \
     "(${floor[$extra]} s), $(calc "${ours[$extra]} / ${clam[$extra]}" 2)x clamscan -r (${clam[$extra]} s), bare walk ${walk[$extra]} s;" \
     "Purvane per extra file $last ms at $extra$growth"
