#!/bin/bash
# Runs a test program of the sanitizer build. LeakSanitizer's own check at
# the end of a process can crash while it scans the stopped process
# ("Tracer caught signal 11", then "LeakSanitizer has encountered a fatal
# error"), after every test had passed. Its known cause, a bogus dynamic-TLS
# record of the GL test programs, is switched off in tools/run-tests.sh;
# should the checker crash for another reason, that is a fault of the
# checker, not a finding, so such a run is repeated once. A leak report,
# any other sanitizer error or a failed test is never run again.
err=$(mktemp) || exit 1
trap 'rm -f "$err"' EXIT
# The error output is kept whole before it is read (a tee beside the
# program could still be writing when the check below reads the file).
"$@" 2>"$err"
status=$?
cat "$err" >&2
if [ "$status" -ne 0 ] && grep -q "LeakSanitizer has encountered a fatal error" "$err" &&
  ! grep -q "ERROR: LeakSanitizer: detected memory leaks" "$err"; then
  echo "leak-check-retry: the leak checker crashed at the end; running the program once more" >&2
  "$@"
  status=$?
fi
exit "$status"
