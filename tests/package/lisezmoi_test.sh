#!/usr/bin/env bash
# The zip's LISEZMOI.txt as scripts/windows-text writes it from
# docs/LISEZMOI.txt: Windows-1252 that decodes back to the source, CRLF at
# the end of every line and no bare LF, and every switch and exit code of
# README.md's section for administrators; and the conversion refusing a
# source it cannot write exactly.
#
#   lisezmoi_test.sh SOURCE_DIR
set -u
root=${1:?usage: lisezmoi_test.sh SOURCE_DIR}
. "$root/tests/sigtool/lib.sh"
convert=$root/scripts/windows-text
source=$root/docs/LISEZMOI.txt
converted=$work/LISEZMOI.txt

run_status "$convert" "$source" "$converted"
expect_eq "conversion exit status ($err)" 0 "$status"

# Every byte decodes, and the text is the source's with CRLF.
decoded=$work/decoded.txt
iconv -f WINDOWS-1252 -t UTF-8 "$converted" >"$decoded" 2>"$work/err"
expect_eq "decodes as Windows-1252 ($(cat "$work/err"))" 0 $?
expect_eq "decoded without CR is the source" "$(md5sum <"$source")" "$(tr -d '\r' <"$decoded" | md5sum)"
expect_eq "one byte per accented letter (Téléchargements)" 1 \
  "$(grep -c $'T\xe9l\xe9chargements' "$converted")"

# Line ends: as many CRLF as LF, no CR alone, and the last line ended.
lf=$(tr -cd '\n' <"$converted" | wc -c)
crlf=$(grep -c $'\r$' "$converted")
cr=$(tr -cd '\r' <"$converted" | wc -c)
expect_eq "lines" "$(wc -l <"$source")" "$lf"
expect_eq "every LF follows a CR" "$lf" "$crlf"
expect_eq "every CR precedes an LF" "$lf" "$cr"
expect_eq "ends with CRLF" "0d0a" "$(tail -c 2 "$converted" | od -An -tx1 | tr -d ' \n')"

# The switches and exit codes of README.md's section for administrators.
section=$(awk '/^## For administrators/ {on = 1; next} /^## / {on = 0} on' "$root/README.md")
switches=$(grep -oE '(Purvane\.exe|\.\.\.) [/-][a-z]+(:[A-Z]+)?' <<<"$section" | sed -E 's/^[^ ]+ //; s/:.*/:/' | sort -u)
codes=$(grep -oE '^\| [0-9]+ \|' <<<"$section" | tr -dc '0-9\n')
expect_eq "README lists the five switches" 5 "$(wc -l <<<"$switches")"
expect_eq "README lists exit codes 0 to 6" "0 1 2 3 4 5 6" "$(echo $codes)"
for switch in $switches; do
  expect_eq "switch $switch" 1 "$(grep -qF -- "$switch" "$decoded" && echo 1 || echo 0)"
done
for code in $codes; do
  expect_eq "exit code $code" 1 "$(grep -qE "^  $code   [^ ]" "$decoded" && echo 1 || echo 0)"
done
for text in 'C:\Program Files\Purvane' 'Téléchargements' 'PURVANE.SIG' '%ProgramData%\Purvane\Rapports\' \
            '%ProgramData%\Purvane\Quarantaine\' 'Purvane.exe /quarantaine' 'Purvane.exe /restaurer:ID' \
            '« Analyser ! »' '« Supprimer »' '« Ignorer »'; do
  expect_eq "mentions $text" 1 "$(grep -qF -- "$text" "$decoded" && echo 1 || echo 0)"
done

# Sources the conversion refuses, leaving no output behind.
while IFS='|' read -r what text; do
  printf '%b' "$text" >"$work/bad.txt"
  rm -f "$work/bad.out"
  run_status "$convert" "$work/bad.txt" "$work/bad.out"
  expect_eq "refuses $what" 1 "$([ "$status" -ne 0 ] && echo 1 || echo 0)"
  expect_eq "writes nothing for $what" 0 "$([ -e "$work/bad.out" ] && echo 1 || echo 0)"
  expect_eq "leaves no temporary file for $what" "" "$(ls "$work" | grep '^bad\.out\.' || true)"
done <<'CASES'
a letter Windows-1252 lacks (ŋ)|ligne\nle son ŋ\n
an arrow (→)|a → b\n
a carriage return of its own|ligne\r\nautre\n
invalid UTF-8|caf\xe9\n
CASES

finish
