#!/usr/bin/env bash
# Kills the real program in the middle of a run against the simulated titrator, 20 times at
# random moments (KALUMET_CRASH_KILLS sets another number), and checks after each restart that
# the journal holds every reading the document showed but at most the one being written, in a
# run marked "interrupted". Needs a build: scripts/test.sh or cmake --build build.
set -euo pipefail
cd "$(dirname "$0")/.."
export KALUMET_CRASH_KILLS="${KALUMET_CRASH_KILLS:-20}"
exec build/tests/tst_crashrecovery aKilledRunKeepsWhatItShowedAndIsMarkedInterrupted
