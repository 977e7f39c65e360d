#!/usr/bin/env bash
# sigtool scan with the shipped signature set: every harmless sample is
# detected by both checks, a clean Wine prefix's drive C by none, and a
# missing database is an error with the start-up's text.
#   scan_test.sh SIGTOOL BIN_DIR SAMPLES_DIR
. "$(dirname "$0")/lib.sh"
sigtool=$1 db=$2 samples=$3
root=$(cd "$(dirname "$0")/../.." && pwd)

run_status "$sigtool" scan --db "$db" "$samples"
expect_eq "samples: exit" 1 "$status"
expect_eq "samples: pattern detections" 61 "$(grep -c $'\tpattern$' <<<"$out")"
expect_eq "samples: fingerprint detections" 60 "$(grep -c $'\tfingerprint$' <<<"$out")"
expect_eq "samples: EICAR named" 1 "$(grep -c $'eicar.com\tEICAR-Test-File\tpattern' <<<"$out")"
for n in 001 030 060; do
  expect_eq "sample $n: fingerprint names it" 1 \
    "$(grep -c "PURVANE_TEST_SAMPLE_$n.exe"$'\t'"Purvane-Test.Sample-$n"$'\tfingerprint' <<<"$out")"
done

# A single file is checked as well as a folder.
run_status "$sigtool" scan --db "$db" "$samples/PURVANE_TEST_SAMPLE_007.exe"
expect_eq "one file: detections" 2 "$(wc -l <<<"$out")"

# No signature of the set matches anything of a clean Windows installation.
. "$root/scripts/wine-env"
prefix_error=$("$root/scripts/wine-exec" --prefix 2>&1) || true
drive_c=$PURVANE_WINEPREFIX/drive_c
[ -d "$drive_c/windows/system32" ] || prefix_error=${prefix_error:-"no Wine prefix: $drive_c/windows/system32 is missing"}
expect_eq "a clean Wine prefix to scan" "" "$prefix_error"
run_status "$sigtool" scan --db "$db" "$drive_c"
expect_eq "clean drive C: exit" 0 "$status"
expect_eq "clean drive C: detections" "" "$out"

# A folder without the signature files.
mkdir -p "$work/empty"
run_status "$sigtool" scan --db "$work/empty" "$samples"
expect_eq "no database: exit" 2 "$status"
expect_eq "no database: first text" "Erreur fichier: Impossible de charger le fichier de signatures" "$(head -1 <<<"$err")"
expect_eq "no database: messages in order" "3" "$(grep -c -E 'signatures|NB_SIG|mdpe_msn.dat' <<<"$err")"

finish
