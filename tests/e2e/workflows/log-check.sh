#!/usr/bin/env bash
# Check hook of a workflow test: the support log the run left.
# LOG_OUTCOME: the exit code that the log must name as the outcome, or "none" for a run killed
# before it had one. LOG_PASSWORD: passwords, one a line, none of which may be in the log, in upper
# or lower case, anywhere in the file. LOG_JOBS: how many jobs the log must show, each with its script and its transcript.
# LOG_FILE: the log's name in the run folder (a /log= switch); else the one file in the test's
# %LOCALAPPDATA%\KESTRALON\logs.
set -uo pipefail
export LC_ALL=C
fail() { echo "log check: $*"; exit 1; }
if [ -n "${LOG_FILE:-}" ]; then
  logs=("$E2E_RUN/$LOG_FILE")
else
  logs=("$E2E_RUN"/localappdata/KESTRALON/logs/*.log)
fi
[ "${#logs[@]}" = 1 ] && [ -f "${logs[0]}" ] || fail "not one support log: ${logs[*]}"
# Lines end in CR LF; the checks read them without the CR.
log="$E2E_RUN/support-log.lf"
tr -d '\r' < "${logs[0]}" > "$log"
iconv -f CP932 -t UTF-8 "${logs[0]}" > "$E2E_OUTPUT/support-log.txt" 2>/dev/null || cp "${logs[0]}" "$E2E_OUTPUT/support-log.txt"

if [ -n "${LOG_PASSWORD:-}" ] && grep -qiF -- "$LOG_PASSWORD" "${logs[0]}"; then
  fail "the password is in the log"
fi
grep -qE '^\[[0-9:.]+\] installer [0-9.]+ \((x86|x64)\)' "$log" || fail "no version line"
grep -qE 'ANSI code page [0-9]+' "$log" || fail "no Windows version and code page"
grep -qF -- '--- CONFIG.INI ---' "$log" || fail "no settings"

if [ -n "${LOG_JOBS:-}" ]; then
  jobs=$(grep -cE '^\[[0-9:.]+\] job [0-9] \([a-z ]+\)( in passive mode| over TLS)?$' "$log")
  scripts=$(grep -cF -- '--- end of script ---' "$log")
  transcripts=$(grep -cF -- '--- end of transcript ---' "$log")
  [ "$jobs" = "$LOG_JOBS" ] || fail "$jobs jobs, not $LOG_JOBS"
  [ "$scripts" = "$LOG_JOBS" ] || fail "$scripts scripts, not $LOG_JOBS"
  # A killed run has no transcript of the job it was killed in.
  expected=$LOG_JOBS
  [ "$LOG_OUTCOME" = none ] && expected=$((LOG_JOBS - 1))
  [ "$transcripts" = "$expected" ] || fail "$transcripts transcripts, not $expected"
  if [ "$LOG_JOBS" -gt 0 ]; then
    grep -qE '^  \| 220[ -]' "$log" || fail "no host greeting in the transcripts"
    [ -z "${LOG_PASSWORD:-}" ] || grep -qE '^  \| \*\*\*\*$' "$log" || fail "no masked password line in the scripts"
  fi
fi

if [ "$LOG_OUTCOME" = none ]; then
  if grep -qE '\] (outcome|run ended):' "$log"; then fail "a killed run's log names an outcome"; fi
else
  # The workflows name their outcome; a run refused before them names it only as it ends.
  if grep -qE '\] outcome: ' "$log"; then
    grep -E '\] outcome: ' "$log" | tail -n 1 | grep -qE "outcome: $LOG_OUTCOME \(" ||
      fail "the last outcome named is not $LOG_OUTCOME"
  else
    grep -qE "\] run ended: exit code $LOG_OUTCOME \(" "$log" || fail "the outcome $LOG_OUTCOME is not named"
  fi
fi
echo "log check passed: ${logs[0]}"
