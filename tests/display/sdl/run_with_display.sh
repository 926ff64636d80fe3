#!/usr/bin/env bash
# run_with_display.sh COMMAND...: runs COMMAND on $DISPLAY when one is given
# (scripts/test.sh gives one), else on an Xvfb of its own, which it ends by
# its PID afterwards.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
if [[ -z "${DISPLAY:-}" ]]; then
    source "$here/../../../scripts/lib/xvfb.sh"
    trap stop_xvfb EXIT
    start_xvfb || exit 1
fi
"$@"
