#!/usr/bin/env bash
# with_own_xvfb.sh COMMAND...: runs COMMAND on an Xvfb of its own, which it
# ends by its PID afterwards. For tests that read pixels off the screen or
# look windows up by title: on the display that scripts/test.sh shares, other
# tests' windows (the Windows build's, under Wine, with the same titles) come
# and go at the same time.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../../scripts/lib/xvfb.sh"
trap stop_xvfb EXIT
start_xvfb || exit 1
"$@"
