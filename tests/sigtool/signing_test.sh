#!/usr/bin/env bash
# sigtool keygen, public-key, sign and verify: a new key readable by its
# owner alone and never written over, a folder signed and verified, and each
# change after signing seen by verify.
#   signing_test.sh SIGTOOL BIN_DIR
. "$(dirname "$0")/lib.sh"
sigtool=$1 bin=$2

run_status "$sigtool" keygen "$work/key"
expect_eq "keygen: exit" 0 "$status"
expect_eq "keygen: mode" 600 "$(stat -c %a "$work/key")"
before=$(sha256sum <"$work/key")
run_status "$sigtool" keygen "$work/key"
expect_eq "keygen over a key: refused" 2 "$status"
expect_eq "keygen over a key: the key kept" "$before" "$(sha256sum <"$work/key")"
"$sigtool" keygen "$work/other" >/dev/null

run_status "$sigtool" public-key "$work/key" "$work/key.cpp"
expect_eq "public-key: exit" 0 "$status"
expect_eq "public-key: 384 modulus bytes" 384 "$(grep -o '0x[0-9a-f][0-9a-f],' "$work/key.cpp" | wc -l)"

mkdir "$work/dir"
cp "$bin"/{SIG_MSN.DAT,SIG_MSN2.DAT,mdpe_msn.dat,mdpe_msn2.dat} "$work/dir/"
run_status env -u PURVANE_SIGNING_KEY "$sigtool" sign "$work/dir"
expect_eq "sign without a key: refused" 2 "$status"
run_status "$sigtool" sign "$work/dir" --cle "$work/key"
expect_eq "sign: exit" 0 "$status"
expect_eq "sign: four entries, the files present" 4 "$(grep -c '^sha256 [0-9a-f]\{64\} ' "$work/dir/PURVANE.SIG")"
expect_eq "sign: the signature last" 1 "$(tail -n1 "$work/dir/PURVANE.SIG" | grep -c '^signature [0-9a-f]\{768\}$')"

run_status "$sigtool" verify "$work/dir" --cle "$work/key"
expect_eq "verify: exit" 0 "$status"
expect_eq "verify: statuses" "PURVANE.SIG	accepted
QZ_SSCAN.DLL	missing
SIG_MSN.DAT	verified
SIG_MSN2.DAT	verified
mdpe_msn.dat	verified
mdpe_msn2.dat	verified" "$out"
# The key from the environment.
run_status env PURVANE_SIGNING_KEY="$work/key" "$sigtool" verify "$work/dir"
expect_eq "verify with PURVANE_SIGNING_KEY: exit" 0 "$status"

run_status "$sigtool" verify "$work/dir" --cle "$work/other"
expect_eq "another key: exit" 1 "$status"
expect_eq "another key: refused" "PURVANE.SIG	bad-signature" "$(head -n1 <<<"$out")"

printf 'x' >>"$work/dir/mdpe_msn2.dat"
run_status "$sigtool" verify "$work/dir" --cle "$work/key"
expect_eq "changed supplement: exit" 1 "$status"
expect_eq "changed supplement: its status" 1 "$(grep -c $'^mdpe_msn2.dat\tdigest-differs$' <<<"$out")"

printf 'x' >"$work/dir/QZ_SSCAN.DLL"
run_status "$sigtool" verify "$work/dir" --cle "$work/key"
expect_eq "planted engine: its status" 1 "$(grep -c $'^QZ_SSCAN.DLL\tnot-in-manifest$' <<<"$out")"

sed -i 's/^sha256 ./sha256 0/' "$work/dir/PURVANE.SIG"
run_status "$sigtool" verify "$work/dir" --cle "$work/key"
expect_eq "manifest edited: refused" "PURVANE.SIG	bad-signature" "$(head -n1 <<<"$out")"
rm "$work/dir/PURVANE.SIG"
run_status "$sigtool" verify "$work/dir" --cle "$work/key"
expect_eq "no manifest" "PURVANE.SIG	missing" "$(head -n1 <<<"$out")"
finish
