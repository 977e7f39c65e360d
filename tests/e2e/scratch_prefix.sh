# Sourced by the end-to-end tests, after tests/sigtool/lib.sh: makes a
# scratch Wine prefix under the test's work folder and sets c to its drive
# C, or ends the test with the reason when the prefix cannot be made.
# windows_path PATH gives PATH as Wine's Z: drive spells it; report.sh reads
# the program's reports.
e2e_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$e2e_root/demo/plant.sh"
. "$e2e_root/demo/report.sh"
export PURVANE_WINEPREFIX=$work/prefix
. "$e2e_root/scripts/wine-env"
prefix_error=$("$e2e_root/scripts/wine-exec" --prefix 2>&1) || true
expect_eq "a scratch Wine prefix" "" "$prefix_error"
[ -z "$prefix_error" ] || { finish; exit 1; }
c=$PURVANE_WINEPREFIX/drive_c
