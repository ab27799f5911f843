#!/bin/bash
# The sanitizer build's test runner repeats a program only when the leak
# checker itself crashed: once, and never for a leak report or a failure.
set -u
retry=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A program that fails as the crashed checker does on its first run only.
cat > "$dir/flaky" <<'PROG'
#!/bin/bash
echo run >> "$1"
if [ "$(wc -l < "$1")" -eq 1 ]; then
  echo "Tracer caught signal 11: addr=0xd60" >&2
  echo "==1==LeakSanitizer has encountered a fatal error." >&2
  exit 1
fi
echo "the second run passes"
PROG
# A program with a real finding, and one that fails on its own.
cat > "$dir/leaks" <<'PROG'
#!/bin/bash
echo run >> "$1"
echo "==1==ERROR: LeakSanitizer: detected memory leaks" >&2
echo "==1==LeakSanitizer has encountered a fatal error." >&2
exit 23
PROG
cat > "$dir/fails" <<'PROG'
#!/bin/bash
echo run >> "$1"
echo "[  FAILED  ] Some.Test" >&2
exit 1
PROG
chmod +x "$dir/flaky" "$dir/leaks" "$dir/fails"

out=$("$retry" "$dir/flaky" "$dir/flaky.runs" 2>"$dir/err") || fail "a crashed checker was not run again"
[ "$(wc -l < "$dir/flaky.runs")" -eq 2 ] || fail "flaky ran $(wc -l < "$dir/flaky.runs") times"
[ "$out" = "the second run passes" ] || fail "output: $out"
grep -q "Tracer caught signal 11" "$dir/err" || fail "the first run's error output was lost"

"$retry" "$dir/leaks" "$dir/leaks.runs" 2>/dev/null
[ $? -eq 23 ] || fail "a leak report did not keep its status"
[ "$(wc -l < "$dir/leaks.runs")" -eq 1 ] || fail "a leak report was run again"

"$retry" "$dir/fails" "$dir/fails.runs" 2>/dev/null && fail "a failed test passed"
[ "$(wc -l < "$dir/fails.runs")" -eq 1 ] || fail "a failed test was run again"
echo "ok"
