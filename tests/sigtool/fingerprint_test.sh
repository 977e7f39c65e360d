#!/usr/bin/env bash
# sigtool fingerprint: the check's fingerprints of PE files, their order, the
# --name source lines and the exit codes. Expected digests come from md5sum
# over the file's bytes.
. "$(dirname "$0")/lib.sh"
sigtool=$1
tab=$'\t'

# putle FILE OFFSET BYTES VALUE: writes VALUE little-endian in BYTES bytes.
putle() {
  local escapes="" i
  for ((i = 0; i < $3; i++)); do escapes+=$(printf '\\x%02x' $((($4 >> (8 * i)) & 255))); done
  printf "$escapes" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# section FILE INDEX SIZE POINTER CHARACTERISTICS: one header of the table at 0x80 + 248.
section() {
  local at=$((0x80 + 248 + 40 * $2))
  putle "$1" $((at + 16)) 4 "$3"
  putle "$1" $((at + 20)) 4 "$4"
  putle "$1" $((at + 36)) 4 "$5"
}

# md5 FILE OFFSET COUNT: the upper-case digest of COUNT bytes from OFFSET.
md5() { dd if="$1" bs=1 skip="$2" count="$3" status=none | md5sum | cut -c1-32 | tr a-f A-F; }

# A PE image of 0xC00 bytes: a code section of 1,000 bytes, a data section,
# an execute-only section of 256 bytes; FileAlignment 512.
pe=$work/sample.exe
seq 1 2000 | head -c $((0xC00)) >"$pe"
putle "$pe" 0 2 $((0x5A4D))
putle "$pe" 60 4 $((0x80))
putle "$pe" $((0x80)) 4 $((0x4550))
putle "$pe" $((0x80 + 6)) 2 3
putle "$pe" $((0x80 + 60)) 4 512
section "$pe" 0 1000 $((0x400)) $((0x60000020))
section "$pe" 1 512 $((0x800)) $((0x40000040))
section "$pe" 2 256 $((0xA00)) $((0x20000000))

run_status "$sigtool" fingerprint "$pe"
expect_eq "fingerprint exit" 0 "$status"
expect_eq "fingerprint lines" "$pe${tab}0${tab}raw${tab}1000${tab}$(md5 "$pe" $((0x400)) 1000)
$pe${tab}0${tab}aligned${tab}1024${tab}$(md5 "$pe" $((0x400)) 1024)
$pe${tab}2${tab}raw${tab}256${tab}$(md5 "$pe" $((0xA00)) 256)
$pe${tab}2${tab}aligned${tab}512${tab}$(md5 "$pe" $((0xA00)) 512)" "$out"

# A file that is not PE: its line, and exit 1 even beside a PE file.
printf 'just text\n' >"$work/notes.txt"
run_status "$sigtool" fingerprint "$work/notes.txt" "$pe"
expect_eq "not PE exit" 1 "$status"
expect_eq "not PE line first" "$work/notes.txt${tab}not PE" "$(head -n 1 <<<"$out")"
expect_eq "PE file still listed" 5 "$(wc -l <<<"$out")"

# --name: source lines that build-fingerprints takes as they stand.
run_status "$sigtool" fingerprint --name Worm.Sample "$pe" "$work/notes.txt"
expect_eq "--name exit" 1 "$status"
expect_eq "--name not PE on stderr" "$work/notes.txt${tab}not PE" "$err"
expect_eq "--name lines" "1000${tab}$(md5 "$pe" $((0x400)) 1000)${tab}Worm.Sample
1024${tab}$(md5 "$pe" $((0x400)) 1024)${tab}Worm.Sample
256${tab}$(md5 "$pe" $((0xA00)) 256)${tab}Worm.Sample
512${tab}$(md5 "$pe" $((0xA00)) 512)${tab}Worm.Sample" "$out"
printf '%s\n' "$out" >"$work/sample.src"
run_status "$sigtool" build-fingerprints "$work/sample.src" "$work/sample.dat"
expect_eq "built from --name lines" 0 "$status"
expect_eq "no warning on build" "" "$err"
run_status "$sigtool" dump-fingerprints "$work/sample.dat"
expect_eq "round trip" "$(cat "$work/sample.src")
count 4" "$out"

# Usage errors.
run_status "$sigtool" fingerprint
expect_eq "no file exit" 2 "$status"
run_status "$sigtool" fingerprint --name "$(printf 'N%.0s' {1..65})" "$pe"
expect_eq "long name exit" 2 "$status"
run_status "$sigtool" fingerprint --name "A${tab}B" "$pe"
expect_eq "tab in name exit" 2 "$status"

finish
