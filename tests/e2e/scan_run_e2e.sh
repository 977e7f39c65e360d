#!/usr/bin/env bash
# Purvane.exe end to end in a scratch Wine prefix: the harmless samples are
# planted on drive C, some running; the driver presses "&Analyser !",
# deletes every detection outside \keep\ and ignores those inside. Then the
# deleted files are gone, their processes ended, the kept ones untouched,
# the quarantine holds one copy of each deleted file, nothing else on drive
# C changed, and the report the summary names holds every prompt with its
# answer.
#   scan_run_e2e.sh BIN_DIR
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../sigtool/lib.sh"
. "$here/scratch_prefix.sh"
bin=$1
plant_samples "$c" "$bin"

# Each file of drive C with its size and digest (links not followed).
listing() {
  (cd "$c" && find . -type f -printf '%p\n' | LC_ALL=C sort | while IFS= read -r f; do
    printf '%s\t%s\t%s\n' "$f" "$(stat -c %s "$f")" "$(md5sum <"$f" | cut -c1-32)"
  done)
}
listing >"$work/before.txt"

"$e2e_root/scripts/wine-exec" "$bin/purvane_driver.exe" "$(windows_path "$bin/Purvane.exe")" --keep '\keep\' \
  "${E2E_STARTS[@]}" >"$work/driver.txt" 2>"$work/driver.err"
status=$?
cat "$work/driver.txt"
expect_eq "driver exit" 0 "$status"
out=$(cat "$work/driver.txt")

expect_eq "summary" "summary: Analyse terminée | Des fichiers infectés par un virus MSN ont été détectés." \
  "$(grep '^summary:' <<<"$out" | tr -d '\r')"
# The summary's last line names the run's report, beside the program: one
# line for each prompt, with the driver's answer.
report=$(report_named_in "$out")
expect_eq "the report beside the program" "$bin" "$(dirname "${report:-none}")"
expect_eq "the report's detections are the prompts" "$(grep '^prompt:' <<<"$out")" \
  "$(report_detections "${report:-none}" | awk -F '\t' '{print "prompt: " $4 " | " $5 " -> " $7}')"
rm -f "$report"
expect_eq "no prompt through the folder link" 0 "$(grep -c '\\loop\\' <<<"$out")"
expect_eq "no prompt for a name spelled with ?" 0 "$(grep '^prompt:' <<<"$out" | grep -c '?')"
expect_eq "the unspellable sample, by its short name" 1 "$(grep -c '^prompt: C:\\purvane-e2e\\delete\\[^ ]*~[^ ]*\.EXE |' <<<"$out")"
expect_eq "the kept sample file: both checks, both ignored" 2 \
  "$(grep -c '^prompt: C:\\purvane-e2e\\keep\\PURVANE_TEST_SAMPLE_002.exe | .* -> Ignorer$' <<<"$out")"
expect_eq "the kept sample process: as process, module and file" 3 \
  "$(grep -c '^prompt: C:\\purvane-e2e\\keep\\purvane_hidden_sample.exe | .* -> Ignorer$' <<<"$out")"
expect_eq "rows shown" 9 "$(grep -c '^row:' <<<"$out")"
expect_eq "window sample ended" 1 "$(grep -c '^sample: .*purvane_window_sample.exe ended$' <<<"$out")"
expect_eq "library host ended" 1 "$(grep -c '^sample: .*purvane_library_host.exe .* ended$' <<<"$out")"
expect_eq "kept sample still running" 1 "$(grep -c '^sample: .*purvane_hidden_sample.exe running$' <<<"$out")"

for f in PURVANE_TEST_SAMPLE_001.exe eicar.com .cache/PURVANE_TEST_SAMPLE_003.exe "$(printf '\xe4\xb8\xad\xe6\x96\x87').exe" \
         purvane_window_sample.exe purvane_sample_library.dll; do
  expect_eq "deleted: $f" no "$([ -e "$c/purvane-e2e/delete/$f" ] && echo yes || echo no)"
done
expect_eq "the folder link is left" yes "$([ -L "$c/purvane-e2e/delete/loop" ] && echo yes || echo no)"

# Nothing but the deleted files changed on drive C.
listing >"$work/after.txt"
deleted=$(LC_ALL=C comm -23 "$work/before.txt" "$work/after.txt" | cut -f1)
expect_eq "only the chosen files are gone" "./purvane-e2e/delete/.cache/PURVANE_TEST_SAMPLE_003.exe
./purvane-e2e/delete/PURVANE_TEST_SAMPLE_001.exe
./purvane-e2e/delete/eicar.com
./purvane-e2e/delete/purvane_sample_library.dll
./purvane-e2e/delete/purvane_window_sample.exe
./purvane-e2e/delete/$(printf '\xe4\xb8\xad\xe6\x96\x87').exe" "$deleted"
new=$(LC_ALL=C comm -13 "$work/before.txt" "$work/after.txt")
quarantine='^\./ProgramData/Purvane/Quarantaine/'
expect_eq "one quarantine entry per deleted file" 6 "$(grep -c "$quarantine[0-9A-F]\{16\}\.pvq"$'\t' <<<"$new")"
expect_eq "nothing else new or changed" "" "$(grep -v "$quarantine" <<<"$new")"

WINEPREFIX=$PURVANE_WINEPREFIX wineserver -k 2>/dev/null
finish
