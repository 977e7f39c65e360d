#!/usr/bin/env bash
# The shipped test signatures find each process sample by its own marker,
# in every architecture's folder, and nothing in the library host.
#   samples_marker_test.sh SIGTOOL DB_DIR SAMPLES_DIR
. "$(dirname "$0")/../sigtool/lib.sh"
sigtool=$1 db=$2 samples=$3

for folder in "$samples"/*/; do
  run_status "$sigtool" scan --db "$db" "$folder"
  expect_eq "$folder: exit" 1 "$status"
  for pair in purvane_window_sample.exe:Process-Window purvane_stubborn_sample.exe:Process-Stubborn \
              purvane_hidden_sample.exe:Process-Hidden purvane_sample_library.dll:Library; do
    expect_eq "$folder${pair%%:*}" 1 \
      "$(grep -c "/${pair%%:*}"$'\t'"Purvane-Test.${pair#*:}"$'\tpattern$' <<<"$out")"
  done
  expect_eq "$folder: detections" 4 "$(wc -l <<<"$out")"
done
finish
