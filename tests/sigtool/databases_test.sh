#!/usr/bin/env bash
# sigtool build-*, dump-* and import-clamav: round trips, refusals, exit codes.
. "$(dirname "$0")/lib.sh"
sigtool=$1
tab=$'\t'

# Patterns: a source round-trips through build and dump.
cat >"$work/p.src" <<SRC
# comment
Worm.A${tab}4D5A??00FFEEDDCCBBAA9988${tab}12

Worm.B${tab}6A6B6C6D6E6F7071
SRC
run_status "$sigtool" build-patterns "$work/p.src" "$work/p.dat"
expect_eq "build-patterns exit" 0 "$status"
run_status "$sigtool" dump-patterns "$work/p.dat"
expect_eq "dump-patterns exit" 0 "$status"
expect_eq "dump-patterns output" "Worm.A${tab}4D5A??00FFEEDDCCBBAA9988${tab}12
Worm.B${tab}6A6B6C6D6E6F7071${tab}8
count 2
valid 1" "$out"
expect_eq "built size" $((3 * 321)) "$(stat -c %s "$work/p.dat")"

# Refused source lines name their line, and nothing is written.
refuse() {  # refuse WHAT LINE EXPECTED-MESSAGE-PART
  rm -f "$work/r.dat"
  printf 'Fine.One\t0011223344556677\n%s\n' "$2" >"$work/r.src"
  run_status "$sigtool" build-patterns "$work/r.src" "$work/r.dat"
  expect_eq "$1 exit" 2 "$status"
  expect_eq "$1 names line 2" "1" "$(grep -c ':2: .*'"$3" <<<"$err")"
  expect_eq "$1 writes nothing" "absent" "$([ -e "$work/r.dat" ] && echo present || echo absent)"
}
refuse "bad pair" "X.Y${tab}0011223344556G77" "'\$6G' n'est pas une valeur entière correcte"
refuse "short pattern" "X.Y${tab}001122334455667" "16 to 254"
refuse "short name" "X${tab}0011223344556677" "2 to 64"
refuse "long name" "$(printf 'N%.0s' {1..65})${tab}0011223344556677" "2 to 64"
refuse "wrong size" "X.Y${tab}0011223344556677${tab}9" "PatternSize"

# dump-patterns on a missing file, a malformed one.
run_status "$sigtool" dump-patterns "$work/missing.dat"
expect_eq "missing file exit" 1 "$status"
expect_eq "missing file output" "count 0
valid 1" "$out"
printf '\x41' | dd of="$work/p.dat" bs=1 seek=321 conv=notrunc status=none
run_status "$sigtool" dump-patterns "$work/p.dat"
expect_eq "range error exit" 2 "$status"
expect_eq "range error text" "Erreur de vérification d'étendue" "$err"

# Fingerprints.
printf '4096\t0123456789ABCDEF0123456789ABCDEF\tWorm.Fp\n-1\tabc\tOdd\n' >"$work/f.src"
run_status "$sigtool" build-fingerprints "$work/f.src" "$work/f.dat"
expect_eq "build-fingerprints exit" 0 "$status"
expect_eq "lower-case digest warned" 1 "$(grep -c 'never matches' <<<"$err")"
run_status "$sigtool" dump-fingerprints "$work/f.dat"
expect_eq "dump-fingerprints" "4096${tab}0123456789ABCDEF0123456789ABCDEF${tab}Worm.Fp
-1${tab}abc${tab}Odd
count 2" "$out"
printf '99999999999\tAB\tX\n' >"$work/g.src"
run_status "$sigtool" build-fingerprints "$work/g.src" "$work/g.dat"
expect_eq "size out of range exit" 2 "$status"

# import-clamav.
cat >"$work/db.ndb" <<'NDB'
Test.Plain:0:*:4d5a90000300000004000000
Test.Gap:1:*:4D5A{2}0003??00000400
Test.Anchored:0:0:4D5A900003000000
Test.Nibble:0:*:4D5A9?0003000000
Test.Alt:0:*:4D5A(90|91)0003000000
Test.Short:0:*:4D5A9000
NDB
run_status "$sigtool" import-clamav "$work/db.ndb"
expect_eq "ndb exit" 0 "$status"
expect_eq "ndb lines" "Test.Plain${tab}4D5A90000300000004000000${tab}12
Test.Gap${tab}4D5A????0003??00000400${tab}11" "$out"
expect_eq "ndb skipped" 4 "$(grep -c skipped <<<"$err")"
printf '4096:d41d8cd98f00b204e9800998ecf8427e:Test.Md5\n*:d41d8cd98f00b204e9800998ecf8427e:Test.Star\n' >"$work/db.mdb"
run_status "$sigtool" import-clamav "$work/db.mdb"
expect_eq "mdb lines" "4096${tab}D41D8CD98F00B204E9800998ECF8427E${tab}Test.Md5" "$out"
expect_eq "mdb skipped" 1 "$(grep -c skipped <<<"$err")"

# Imported lines build.
"$sigtool" import-clamav "$work/db.ndb" 2>/dev/null >"$work/imp.src"
run_status "$sigtool" build-patterns "$work/imp.src" "$work/imp.dat"
expect_eq "imported source builds" 0 "$status"

finish
