# Sourced by the benchmarks: median prints the median of the numbers it
# reads, one a line.
median() { sort -n | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'; }
