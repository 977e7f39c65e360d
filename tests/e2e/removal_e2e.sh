#!/usr/bin/env bash
# The removal cannot be turned against the user, end to end in a scratch
# Wine prefix. While the prompt for a planted sample is up, the test plays
# the worm: it swaps the sample's folder for a link to a folder that holds
# an innocent file of the same name, or swaps the sample itself for a link
# to an innocent file; then the driver answers "&Supprimer". The innocent
# files must stay byte for byte and the rows show the failure. Samples named
# with look-alike letters (barred L, dotless i, fullwidth letters), in a
# folder of such a name, are prompted by their short names and deleted.
#   removal_e2e.sh BIN_DIR
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../sigtool/lib.sh"
. "$here/scratch_prefix.sh"
bin=$1
samples=$bin/../samples
plant=$c/purvane-e2e
mkdir -p "$plant/swap/folder" "$plant/swap/file" "$plant/innocent"
cp "$samples/PURVANE_TEST_SAMPLE_005.exe" "$plant/swap/folder/"
cp "$samples/PURVANE_TEST_SAMPLE_006.exe" "$plant/swap/file/"
printf 'innocent 5' >"$plant/innocent/PURVANE_TEST_SAMPLE_005.exe"
printf 'innocent 6' >"$plant/innocent/other.exe"
lookalike=$plant/$(printf '\xc5\x81\xc3\xb3d\xc5\xba')   # the folder Łódź
mkdir -p "$lookalike"
lookalike_names=("$(printf '\xc5\x81ukasz.exe')" "$(printf '\xc4\xb1x.exe')" "$(printf '\xef\xbc\xa1\xef\xbc\xa2.exe')")
for i in 0 1 2; do cp "$samples/PURVANE_TEST_SAMPLE_00$((7 + i)).exe" "$lookalike/${lookalike_names[$i]}"; done
# What the ANSI functions would call them: innocent files at those places.
mkdir -p "$plant/L$(printf '\xc3\xb3')dz"
for name in Lukasz.exe ix.exe AB.exe; do printf 'decoy' >"$plant/L$(printf '\xc3\xb3')dz/$name"; done

# The worm's moves, while the n-th paused prompt is up; what it moves away
# goes outside drive C, so that the walk does not meet it again.
away=$work/away
mkdir -p "$away"
worm_move() {
  case $1 in
    1) mv "$plant/swap/folder" "$away/folder" && ln -s ../innocent "$plant/swap/folder" ;;
    2) mv "$plant/swap/file/PURVANE_TEST_SAMPLE_006.exe" "$away/" &&
       ln -s ../../innocent/other.exe "$plant/swap/file/PURVANE_TEST_SAMPLE_006.exe" ;;
  esac
}
pauses=$work/pauses
mkdir -p "$pauses"

"$e2e_root/scripts/wine-exec" "$bin/purvane_driver.exe" "$(windows_path "$bin/Purvane.exe")" \
  --pause-dir "$(windows_path "$pauses")" --pause-at '\swap\folder\' --pause-at '\swap\file\' \
  >"$work/driver.txt" 2>"$work/driver.err" &
driver=$!
while kill -0 "$driver" 2>/dev/null; do
  if [ -f "$pauses/paused" ]; then
    step=$(tr -d '\r\n' <"$pauses/paused")
    worm_move "$step" || echo "the worm's move $step failed"
    rm -f "$pauses/paused"
    touch "$pauses/resume"
  fi
  sleep 0.05
done
wait "$driver"
status=$?
cat "$work/driver.txt"
expect_eq "driver exit" 0 "$status"
out=$(cat "$work/driver.txt")

# One row each: the deletion refused, and the second check, which reads the
# innocent file, finds nothing.
expect_eq "the swapped folder's sample: one row, the deletion refused" \
  'row: C:\purvane-e2e\swap\folder\PURVANE_TEST_SAMPLE_005.exe | Purvane-Test.Sample-005 | suppression échouée' \
  "$(grep '^row: .*\\swap\\folder\\' <<<"$out" | sed 's/Sample-005[.a-z]*/Sample-005/')"
expect_eq "the swapped file: one row, the deletion refused" \
  'row: C:\purvane-e2e\swap\file\PURVANE_TEST_SAMPLE_006.exe | Purvane-Test.Sample-006 | suppression échouée' \
  "$(grep '^row: .*\\swap\\file\\' <<<"$out" | sed 's/Sample-006[.a-z]*/Sample-006/')"
expect_eq "the innocent files, byte for byte" "innocent 5|innocent 6" \
  "$(cat "$plant/innocent/PURVANE_TEST_SAMPLE_005.exe")|$(cat "$plant/innocent/other.exe")"
expect_eq "the samples moved away, untouched" "$(cat "$samples/PURVANE_TEST_SAMPLE_005.exe" "$samples/PURVANE_TEST_SAMPLE_006.exe" | md5sum)" \
  "$(cat "$away/folder/PURVANE_TEST_SAMPLE_005.exe" "$away/PURVANE_TEST_SAMPLE_006.exe" | md5sum)"

# The look-alike names: each found in a folder and under a name of short
# form (with a "~"), deleted; the innocent files at their look-alike
# spellings are never met as detections.
expect_eq "look-alike names deleted through their short names" 3 \
  "$(grep -c '^row: C:\\purvane-e2e\\[^\\]*~[^\\]*\\[^\\ ]*~[^\\ ]* | Purvane-Test.Sample-00[789][.a-z]* | supprimé$' <<<"$out")"
for name in "${lookalike_names[@]}"; do
  expect_eq "deleted: $name" no "$([ -e "$lookalike/$name" ] && echo yes || echo no)"
done
expect_eq "the decoys are left" decoydecoydecoy "$(cat "$plant/L$(printf '\xc3\xb3')dz"/*.exe)"
expect_eq "no other row" 5 "$(grep -c '^row:' <<<"$out")"
rm -f "$(report_named_in "$out")"  # the run's report, beside the program

WINEPREFIX=$PURVANE_WINEPREFIX wineserver -k 2>/dev/null
finish
