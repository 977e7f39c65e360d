#!/usr/bin/env bash
# Purvane.exe with switches, end to end in a scratch Wine prefix, watched
# from outside by window_watcher: no window may ever show. The harmless
# samples are planted on drive C, some running.
#   /analyse         exit 1, nothing deleted, every detection in the report beside the program
#   -AUTO /rapport:  exit 1, the files gone, the samples ended, the report where chosen
#   /Analyse again   exit 0: the quarantine's copies are not detected
#   /quarantaine     exit 0, one entry per deletion in the report
#   /restaurer:ID    exit 0, each file back byte for byte; 5 over a file, or twice
#   a Purvane folder a user made before the first run is set aside, its entry never listed;
#   forged entries (the old unkeyed format, a MAC under another secret) are neither
#   listed nor restored: exit 5, nothing written where they name
#   no SIG_MSN.DAT   exit 3, the start-up's message in the report
#   /inconnu         exit 4, no report
# and the report's file: a link planted at its default name, or at the
# chosen path, is left alone and the next number taken.
#   windowless_e2e.sh BIN_DIR
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../sigtool/lib.sh"
. "$here/scratch_prefix.sh"
bin=$1
plant_samples "$c" "$bin"

# The program's folder, outside drive C, so that its reports are found
# there alone.
prog=$work/prog
mkdir -p "$prog"
cp "$bin"/{Purvane.exe,QZ_SSCAN.DLL,SIG_MSN.DAT,SIG_MSN2.DAT,mdpe_msn.dat,mdpe_msn2.dat,PURVANE.SIG} "$prog/"

# watch [--start CMD]... -- SWITCHES: runs the program, keeps the watcher's
# lines in $out and the program's exit code in $code.
watch() {
  local starts=()
  while [ "$1" != -- ]; do starts+=("$1" "$2"); shift 2; done
  shift
  out=$("$e2e_root/scripts/wine-exec" "$bin/window_watcher.exe" "${starts[@]}" -- \
        "\"$(windows_path "$prog/Purvane.exe")\" $*" 2>"$work/watcher.err")
  echo "--- Purvane.exe $*"
  echo "$out"
  code=$(sed -n 's/^exit: //p' <<<"$out")
  expect_eq "$* -> no window" "" "$(grep '^window:' <<<"$out")"
}
# The reports beside the program, one a line.
reports() { (cd "$prog" && ls Purvane-*.txt 2>/dev/null); }
# Detection lines without their numbers, process ids named by the sample
# that has them, short names as <court>, sorted.
normalized() {
  local line
  while IFS= read -r line; do
    for sample in window_sample library_host hidden_sample; do
      pid=$(sed -n "s/^sample: .*purvane_$sample.exe.*(pid \\([0-9]*\\))\$/\\1/p" <<<"$out")
      [ -n "$pid" ] && line=$(sed "s/^\\([0-9]*\\t[^\\t]*\\t\\)$pid\\t/\\1$sample\\t/" <<<"$line")
    done
    cut -f2- <<<"$line" | sed 's/\\[^\\\t]*~[^\\\t]*\.EXE\t/\\<court>\t/'
  done | LC_ALL=C sort
}
text() { iconv -f CP1252 -t UTF-8 "$1" | tr -d '\r'; }
exists() { [ -e "$1" ] || [ -L "$1" ] && echo yes || echo no; }
d='C:\purvane-e2e\delete' k='C:\purvane-e2e\keep'
lf=$(printf '\xe4\xb8\xad\xe6\x96\x87').exe

# forge KIND FILE PATH: an entry as a worm without the secret would write it.
forge() { "$e2e_root/scripts/wine-exec" "$bin/entry_forger.exe" "$1" "$(windows_path "$2")" "$3" 2>/dev/null; }

# A Purvane folder made by a user before the first run, open to all, with an
# entry of its own (Wine keeps no owner: it is told from the program's by its
# rights alone).
premade=$c/ProgramData/Purvane
mkdir -p "$premade/Quarantaine"
chmod 777 "$premade" "$premade/Quarantaine"
forge unkeyed "$premade/Quarantaine/00000000000000A1.pvq" 'C:\windows\system32\purvane-planted.dll'
expect_eq "the planted entry is there before the first run" yes "$(exists "$premade/Quarantaine/00000000000000A1.pvq")"

# --- /analyse: everything reported, nothing touched ------------------------
before=$(cd "$c" && find . -printf '%p %s %T@\n' | LC_ALL=C sort)
watch "${E2E_STARTS[@]}" -- /analyse
expect_eq "/analyse exit" 1 "$code"
expect_eq "/analyse: the samples still run" 3 "$(grep -c '^sample: .* running (pid' <<<"$out")"
expect_eq "/analyse: nothing changed on drive C" "$before" "$(cd "$c" && find . -printf '%p %s %T@\n' | LC_ALL=C sort)"
expect_eq "/analyse: one report beside the program" 1 "$(reports | wc -l)"
report=$prog/$(reports | head -n 1)
expect_eq "/analyse: detections numbered in order" "$(seq 1 17)" "$(report_detections "$report" | cut -f1)"
t=$'\t'
ignored="${t}Ignorer${t}ignoré$t-"
expect_eq "/analyse: the detection lines" "\
fichiers$t-$t$d\\.cache\\PURVANE_TEST_SAMPLE_003.exe${t}Purvane-Test.Sample-003${t}empreinte$ignored
fichiers$t-$t$d\\.cache\\PURVANE_TEST_SAMPLE_003.exe${t}Purvane-Test.Sample-003.code${t}motif$ignored
fichiers$t-$t$d\\<court>${t}Purvane-Test.Sample-004${t}empreinte$ignored
fichiers$t-$t$d\\<court>${t}Purvane-Test.Sample-004.code${t}motif$ignored
fichiers$t-$t$d\\PURVANE_TEST_SAMPLE_001.exe${t}Purvane-Test.Sample-001${t}empreinte$ignored
fichiers$t-$t$d\\PURVANE_TEST_SAMPLE_001.exe${t}Purvane-Test.Sample-001.code${t}motif$ignored
fichiers$t-$t$d\\eicar.com${t}EICAR-Test-File${t}motif$ignored
fichiers$t-$t$d\\purvane_sample_library.dll${t}Purvane-Test.Library${t}motif$ignored
fichiers$t-$t$d\\purvane_window_sample.exe${t}Purvane-Test.Process-Window${t}motif$ignored
fichiers$t-$t$k\\PURVANE_TEST_SAMPLE_002.exe${t}Purvane-Test.Sample-002${t}empreinte$ignored
fichiers$t-$t$k\\PURVANE_TEST_SAMPLE_002.exe${t}Purvane-Test.Sample-002.code${t}motif$ignored
fichiers$t-$t$k\\purvane_hidden_sample.exe${t}Purvane-Test.Process-Hidden${t}motif$ignored
mémoire${t}hidden_sample$t$k\\purvane_hidden_sample.exe${t}Purvane-Test.Process-Hidden${t}motif$ignored
mémoire${t}hidden_sample$t$k\\purvane_hidden_sample.exe${t}Purvane-Test.Process-Hidden${t}motif$ignored
mémoire${t}library_host$t$d\\purvane_sample_library.dll${t}Purvane-Test.Library${t}motif$ignored
mémoire${t}window_sample$t$d\\purvane_window_sample.exe${t}Purvane-Test.Process-Window${t}motif$ignored
mémoire${t}window_sample$t$d\\purvane_window_sample.exe${t}Purvane-Test.Process-Window${t}motif$ignored" \
  "$(report_detections "$report" | normalized)"
expect_eq "/analyse: the report's header" "\
Purvane v4.6.1 du 01/05/2013
Programme 32 bits sous Windows 64 bits : non
Dossier du programme : $(windows_path "$prog")\\
Signatures : 125 motifs, 60 empreintes
Mode : /analyse, aucune suppression" \
  "$(text "$report" | sed -n '1p;4,7p')"
# Wine keeps no DACL: the folder is the user's, and the report says that
# other accounts than the administrators may change it.
warning="Avertissement au démarrage : Droits du dossier : le dossier du programme $(windows_path "$prog")\\ \
peut être modifié par d'autres comptes que les administrateurs ; déplacez Purvane dans C:\\Program Files\\Purvane."
expect_eq "/analyse: the folder's rights" "$warning" "$(text "$report" | grep '^Avertissement')"
expect_eq "/analyse: the report's date" 1 \
  "$(text "$report" | sed -n 2p | grep -cE "^Rapport d'analyse du [0-9]{2}/[0-9]{2}/[0-9]{4} à [0-9]{2}:[0-9]{2}:[0-9]{2}$")"
expect_eq "/analyse: the report's Windows" 1 "$(text "$report" | sed -n 3p | grep -cE '^Windows : [0-9]+\.[0-9]+\.[0-9]+ \(x64\)$')"
expect_eq "/analyse: the report's end" "\
Détections : 17
Fichiers détectés laissés en place : 8
Fin : analyse terminée." "$(text "$report" | grep -E '^(Détections :|Fichiers détectés|Fin :)')"
expect_eq "/analyse: CRLF line ends" "$(wc -l <"$report")" "$(grep -c $'\r$' "$report")"

# The digests of the files /auto will delete, to check what is restored.
digests() { (cd "$c/purvane-e2e" && find . -type f -printf '%p\n' | LC_ALL=C sort | xargs -d '\n' md5sum); }
digests >"$work/digests.txt"

# --- /auto, the report where chosen, through a link planted there ---------
printf 'innocent' >"$work/innocent.txt"
ln -s "$work/innocent.txt" "$work/auto.txt"
watch "${E2E_STARTS[@]}" -- -AUTO "/rapport:$(windows_path "$work/auto.txt")"
expect_eq "/auto exit" 1 "$code"
expect_eq "/auto: the samples ended" 3 "$(grep -c '^sample: .* ended (pid' <<<"$out")"
expect_eq "/auto: the link at the chosen path and its file left, the report under the next number" \
  "yes innocent yes" "$([ -L "$work/auto.txt" ] && echo yes || echo no) $(cat "$work/innocent.txt") $(exists "$work/auto-2.txt")"
auto=$work/auto-2.txt
expect_eq "/auto: no report beside the program" 1 "$(reports | wc -l)"
deleted="${t}Supprimer${t}supprimé, copie en quarantaine${t}<id>"
expect_eq "/auto: each file deleted at its first detection" "\
fichiers$t-$t$d\\.cache\\PURVANE_TEST_SAMPLE_003.exe${t}Purvane-Test.Sample-003.code${t}motif$deleted
fichiers$t-$t$d\\<court>${t}Purvane-Test.Sample-004.code${t}motif$deleted
fichiers$t-$t$d\\PURVANE_TEST_SAMPLE_001.exe${t}Purvane-Test.Sample-001.code${t}motif$deleted
fichiers$t-$t$d\\eicar.com${t}EICAR-Test-File${t}motif$deleted
fichiers$t-$t$k\\PURVANE_TEST_SAMPLE_002.exe${t}Purvane-Test.Sample-002.code${t}motif$deleted
mémoire${t}hidden_sample$t$k\\purvane_hidden_sample.exe${t}Purvane-Test.Process-Hidden${t}motif$deleted
mémoire${t}library_host$t$d\\purvane_sample_library.dll${t}Purvane-Test.Library${t}motif$deleted
mémoire${t}window_sample$t$d\\purvane_window_sample.exe${t}Purvane-Test.Process-Window${t}motif$deleted" \
  "$(report_detections "$auto" | normalized | sed "s/$t[0-9A-F]\{16\}\$/$t<id>/")"
quarantine=$c/ProgramData/Purvane/Quarantaine
expect_eq "/auto: the folder made before the first run set aside, its entry with it" "1 yes no" \
  "$(ls -d "$c"/ProgramData/Purvane.*.ecarte | wc -l) \
$(exists "$(ls -d "$c"/ProgramData/Purvane.*.ecarte | head -n 1)/Quarantaine/00000000000000A1.pvq") \
$(exists "$quarantine/00000000000000A1.pvq")"
expect_eq "/auto: one quarantine entry per deletion" 8 "$(find "$quarantine" -name '*.pvq' | wc -l)"
expect_eq "/auto: no byte run of a sample left in the quarantine" "" \
  "$(grep -l -a -e PURVANE-TEST-SAMPLE -e EICAR "$quarantine"/* 2>/dev/null)"
expect_eq "/auto: nothing left" "Fichiers détectés laissés en place : 0" \
  "$(text "$auto" | grep '^Fichiers détectés laissés')"
for f in delete/PURVANE_TEST_SAMPLE_001.exe delete/eicar.com delete/.cache/PURVANE_TEST_SAMPLE_003.exe "delete/$lf" \
         delete/purvane_window_sample.exe delete/purvane_sample_library.dll keep/PURVANE_TEST_SAMPLE_002.exe \
         keep/purvane_hidden_sample.exe; do
  expect_eq "/auto: deleted: $f" no "$(exists "$c/purvane-e2e/$f")"
done
expect_eq "/auto: the library's host and the folder link are left" "yes yes" \
  "$(exists "$c/purvane-e2e/delete/purvane_library_host.exe") $(exists "$c/purvane-e2e/delete/loop")"

# --- A second run finds nothing; a link planted at its report's name -------
# Links at every name the next report may take, for a minute, to one
# innocent file: the report takes the next number instead.
now=$(date +%s)
for s in $(seq -2 60); do
  ln -s "$work/innocent.txt" "$prog/$(date -d "@$((now + s))" +Purvane-%Y%m%d-%H%M%S).txt"
done
watch -- -Analyse
expect_eq "second /analyse exit" 0 "$code"
expect_eq "the planted links' file untouched" innocent "$(cat "$work/innocent.txt")"
second=$(cd "$prog" && find . -maxdepth 1 -type f -name 'Purvane-*-2.txt' -printf '%f\n')
expect_eq "the second report under the next number" 1 "$(grep -c . <<<"$second")"
expect_eq "the second report: no detection" "Détections : 0" \
  "$(text "$prog/${second:-none}" 2>/dev/null | grep '^Détections :')"
find "$prog" -maxdepth 1 -type l -delete

# --- The quarantine: its list, and each file restored ----------------------
watch -- /quarantaine "/rapport:$(windows_path "$work/list.txt")"
expect_eq "/quarantaine exit" 0 "$code"
ids=$(report_detections "$auto" | cut -f9 | LC_ALL=C sort)
expect_eq "/quarantaine: every entry listed" "$ids" \
  "$(text "$work/list.txt" | grep -oE '^[0-9A-F]{16}'$'\t' | tr -d '\t' | LC_ALL=C sort)"
occupied=$(report_detections "$auto" | grep -m1 'eicar.com' | cut -f9)
printf 'new file' >"$c/purvane-e2e/delete/eicar.com"
watch -- "/restaurer:$occupied" "/rapport:$(windows_path "$work/refused.txt")"
expect_eq "/restaurer over an existing file: exit" 5 "$code"
expect_eq "/restaurer over an existing file: it is left" "new file" "$(cat "$c/purvane-e2e/delete/eicar.com")"
expect_eq "/restaurer over an existing file: the reason" 1 "$(text "$work/refused.txt" | grep -c 'refusée : un fichier existe déjà')"
rm "$c/purvane-e2e/delete/eicar.com"
for id in $ids; do
  watch -- "/restaurer:$id" "/rapport:$(windows_path "$work/restore-$id.txt")"
  expect_eq "/restaurer:$id exit" 0 "$code"
done
expect_eq "every file restored byte for byte" "$(cat "$work/digests.txt")" "$(digests)"
expect_eq "the quarantine emptied by the restores" 0 "$(find "$quarantine" -name '*.pvq' | wc -l)"
watch -- "/restaurer:$occupied" "/rapport:$(windows_path "$work/again.txt")"
expect_eq "/restaurer of an entry already restored: exit" 5 "$code"

# --- Forged entries in the quarantine's folder: never listed, never restored -
forge unkeyed "$quarantine/00000000000000B1.pvq" 'C:\windows\system32\purvane-forged-1.dll'
forge wrong-mac "$quarantine/00000000000000B2.pvq" 'C:\windows\system32\purvane-forged-2.dll'
expect_eq "forged entries planted" "yes yes" "$(exists "$quarantine/00000000000000B1.pvq") $(exists "$quarantine/00000000000000B2.pvq")"
watch -- /quarantaine "/rapport:$(windows_path "$work/forged-list.txt")"
expect_eq "/quarantaine with forged entries: exit" 0 "$code"
expect_eq "/quarantaine: no forged entry listed, both refused" "\
Quarantaine : aucune entrée.
Fichiers refusés, endommagés ou non authentiques : 2" \
  "$(text "$work/forged-list.txt" | grep -E '^(Quarantaine|Fichiers refus|[0-9A-F]{16})')"
for id in 00000000000000B1 00000000000000B2 00000000000000A1; do
  watch -- "/restaurer:$id" "/rapport:$(windows_path "$work/forged-$id.txt")"
  expect_eq "/restaurer:$id of a forged entry: exit" 5 "$code"
done
expect_eq "nothing written where the forged entries name" "no no no" \
  "$(exists "$c/windows/system32/purvane-forged-1.dll") $(exists "$c/windows/system32/purvane-forged-2.dll") \
$(exists "$c/windows/system32/purvane-planted.dll")"
expect_eq "/restaurer of a forged entry: the reason" 1 \
  "$(text "$work/forged-00000000000000B2.txt" | grep -c "refusée : l'entrée est endommagée ou n'a pas été faite par le programme")"
rm -f "$quarantine"/00000000000000B?.pvq

# --- The program's folder under a name the code page cannot spell ----------
# Found by its short name: its files load and its report lands there. (The
# watcher takes its command line in the ANSI code page: the program is
# started directly.)
wide=$work/$(printf '\xe4\xb8\xad\xe6\x96\x87')-prog
mkdir -p "$wide"
cp "$prog"/{Purvane.exe,QZ_SSCAN.DLL,SIG_MSN.DAT,SIG_MSN2.DAT,mdpe_msn.dat,mdpe_msn2.dat,PURVANE.SIG} "$wide/"
"$e2e_root/scripts/wine-exec" "$wide/Purvane.exe" /analyse 2>"$work/wide.err"
expect_eq "unspellable folder: /analyse exit" 1 "$?"
wide_report=$(cd "$wide" && ls Purvane-*.txt 2>/dev/null | head -n 1)
expect_eq "unspellable folder: the report beside the program" 1 "$(cd "$wide" && ls Purvane-*.txt 2>/dev/null | wc -l)"
expect_eq "unspellable folder: the signatures loaded" "Signatures : 125 motifs, 60 empreintes" \
  "$(text "$wide/${wide_report:-none}" 2>/dev/null | grep '^Signatures :')"
expect_eq "unspellable folder: named by its short name" 1 \
  "$(text "$wide/${wide_report:-none}" 2>/dev/null | grep -c '^Dossier du programme : [^?]*~[^?]*\\$')"

# --- The start-up fails: exit 3, its message in the report -----------------
rm "$prog/SIG_MSN.DAT"
watch -- /auto
expect_eq "no SIG_MSN.DAT: exit" 3 "$code"
third=$(reports | grep -vxF -e "$(basename "$report")" -e "$second")
expect_eq "no SIG_MSN.DAT: the report's messages and end" "\
$warning
Erreur au démarrage : Erreur fichier : Impossible de charger le fichier de signatures
Erreur au démarrage : Erreur signatures : Problème chargement fichier signature (NB_SIG)
Fin : aucune analyse, le démarrage a échoué." \
  "$(text "$prog/${third:-none}" 2>/dev/null | grep -E '^(Erreur|Avertissement|Fin)')"

# --- An unknown switch: exit 4, and nothing else ----------------------------
count=$(reports | wc -l)
watch -- /inconnu
expect_eq "/inconnu: exit" 4 "$code"
expect_eq "/inconnu: no report" "$count" "$(reports | wc -l)"

WINEPREFIX=$PURVANE_WINEPREFIX wineserver -k 2>/dev/null
finish
