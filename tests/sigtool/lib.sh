# Small assertion helpers for the sigtool command tests.
set -u
failures=0
checks=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# expect_eq WHAT EXPECTED ACTUAL
expect_eq() {
  checks=$((checks + 1))
  if [ "$2" != "$3" ]; then
    failures=$((failures + 1))
    printf 'FAIL %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"
  fi
}

# run_status CMD...: runs CMD, keeps stdout in $out, stderr in $err, exit code in $status.
run_status() {
  "$@" >"$work/out" 2>"$work/err"
  status=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}

finish() {
  echo "$checks checks, $failures failed"
  [ "$failures" -eq 0 ]
}
