#!/usr/bin/env bash
# The signed manifest, end to end with the real program under Wine, /auto
# in a scratch prefix with one harmless sample and one clean program on
# drive C:
#   the signed folder                  exit 1, the sample deleted, the clean program kept
#   SIG_MSN2.DAT planted after signing, matching the clean program:
#                                      exit 1, the clean program kept, the sample deleted, a warning in the report
#   SIG_MSN.DAT rewritten after signing exit 3, nothing deleted
#   another QZ_SSCAN.DLL               never loaded (its DllMain leaves a mark), never 0
#                                      (the fingerprints still detect: 1), the engine warning
#   no PURVANE.SIG                     exit 3, nothing deleted
#   manifest_e2e.sh BIN_DIR HOST_SIGTOOL SAMPLES_DIR FAKE_ENGINE_DIR
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../sigtool/lib.sh"
bin=$1 sigtool=$2 samples=$3 fake=$4
. "$here/scratch_prefix.sh"

dir=$c/purvane-e2e
prog=$work/prog
text() { iconv -f CP1252 -t UTF-8 "$1" | tr -d '\r'; }
exists() { [ -e "$1" ] && echo yes || echo no; }

# fresh: the signed folder as built, the sample and the clean program in place.
fresh() {
  rm -rf "$prog" "$dir"
  mkdir -p "$prog" "$dir"
  cp "$bin"/{Purvane.exe,QZ_SSCAN.DLL,SIG_MSN.DAT,SIG_MSN2.DAT,mdpe_msn.dat,mdpe_msn2.dat,PURVANE.SIG} "$prog/"
  cp "$samples/PURVANE_TEST_SAMPLE_005.exe" "$dir/sample.exe"
  printf 'MZ PURVANE-CLEAN-PROGRAM-MARKER-0042 ' >"$dir/clean.exe"
}
# run: /auto with its report at $work/report.txt; exit code in $code.
run() {
  rm -f "$work/report.txt"
  out=$("$e2e_root/scripts/wine-exec" "$bin/window_watcher.exe" -- \
        "\"$(windows_path "$prog/Purvane.exe")\" /auto /rapport:$(windows_path "$work/report.txt")" 2>"$work/watcher.err")
  code=$(sed -n 's/^exit: //p' <<<"$out")
  report=$( [ -f "$work/report.txt" ] && text "$work/report.txt")
}

fresh
run
expect_eq "signed: exit" 1 "$code"
expect_eq "signed: sample deleted" no "$(exists "$dir/sample.exe")"
expect_eq "signed: clean program kept" yes "$(exists "$dir/clean.exe")"
# (Under Wine the folder is the user's own: its rights' warning is expected.)
expect_eq "signed: no other warning" "" "$(grep 'Avertissement' <<<"$report" | grep -v ': Droits du dossier :')"

# A supplement planted after signing: its pattern of the clean program
# would have it deleted (sigtool scan, which admits every file, finds it).
fresh
printf 'Planted.Clean\t%s\n' "$(printf 'PURVANE-CLEAN-PROGRAM-MARKER-0042' | od -An -tx1 | tr -d ' \n' | tr a-f A-F)" >"$work/planted.src"
"$sigtool" build-patterns "$work/planted.src" "$prog/SIG_MSN2.DAT"
"$sigtool" scan --db "$prog" "$dir/clean.exe" >"$work/scan.out" 2>&1
expect_eq "planted: the supplement would detect the clean program" 1 "$(grep -c Planted.Clean "$work/scan.out")"
run
expect_eq "planted: exit" 1 "$code"
expect_eq "planted: clean program kept" yes "$(exists "$dir/clean.exe")"
expect_eq "planted: sample deleted" no "$(exists "$dir/sample.exe")"
expect_eq "planted: the warning" 1 \
  "$(grep -c "Avertissement au démarrage : Fichier de signatures : Le fichier SIG_MSN2.DAT n'est pas celui qui a été livré avec le programme : il est ignoré." <<<"$report")"
expect_eq "planted: not detected" 0 "$(grep -c 'Planted.Clean' <<<"$report")"

# A main file rewritten after signing stops the run.
fresh
printf 'x' >>"$prog/SIG_MSN.DAT"
run
expect_eq "rewritten main file: exit" 3 "$code"
expect_eq "rewritten main file: sample kept" yes "$(exists "$dir/sample.exe")"
expect_eq "rewritten main file: the start-up's message" 1 "$(grep -c 'Impossible de charger le fichier de signatures' <<<"$report")"

# Another engine library in place of the signed one is never loaded: the
# run goes on with the fingerprints alone and says so. The stand-in marks
# its loading beside itself; rundll32 shows that the mark does work.
marker=PURVANE-ENGINE-LOADED.txt
mkdir -p "$work/control"
cp "$fake/QZ_SSCAN.DLL" "$work/control/"
"$e2e_root/scripts/wine-exec" rundll32 "$(windows_path "$work/control/QZ_SSCAN.DLL"),initscan" >/dev/null 2>&1
expect_eq "the stand-in engine marks its loading" yes "$(exists "$work/control/$marker")"
fresh
cp "$fake/QZ_SSCAN.DLL" "$prog/QZ_SSCAN.DLL"
run
expect_eq "replaced engine: never loaded" no "$(exists "$prog/$marker")"
expect_eq "replaced engine: exit (fingerprint detection)" 1 "$code"
expect_eq "replaced engine: the warning" 1 "$(grep -c 'Moteur d.analyse' <<<"$report")"
expect_eq "replaced engine: no pattern detection" 0 "$(grep -c $'\tmotif\t' <<<"$report")"
rm -f "$dir/sample.exe"
cp "$fake/QZ_SSCAN.DLL" "$prog/QZ_SSCAN.DLL"
run
expect_eq "replaced engine, nothing to find: exit 6" 6 "$code"
expect_eq "replaced engine, nothing to find: never loaded" no "$(exists "$prog/$marker")"

# No manifest: the main files are refused.
fresh
rm "$prog/PURVANE.SIG"
run
expect_eq "no manifest: exit" 3 "$code"
expect_eq "no manifest: sample kept" yes "$(exists "$dir/sample.exe")"
finish
