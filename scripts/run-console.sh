#!/usr/bin/env bash
# Opens the service console against the register emulator on COM1.
#
#   scripts/run-console.sh [BUILD_BIN_DIR] [-- KASMON_ARGS...]
#
# BUILD_BIN_DIR holds kasmon, kasemu and libkasdrv (default: build/bin beside
# this script's folder); the build is done elsewhere. The emulator runs as
# `kasemu --port 1 --tape FILE` with KASDRV_DEVICES pointing at a fresh
# temporary folder, and is stopped when the console exits. The paper tape
# the emulator prints is kept in $KASMON_TAPE (default: kasmon-tape.txt in the
# temporary folder, whose path is shown at the end).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bin="$here/../build/bin"
if [[ $# -gt 0 && "$1" != "--" ]]; then
    bin="$1"
    shift
fi
[[ "${1:-}" == "--" ]] && shift
bin="$(cd "$bin" 2>/dev/null && pwd)" || {
    echo "run-console: no build folder at ${bin}; build first (cmake --build build)" >&2
    exit 1
}
for program in kasmon kasemu; do
    if [[ ! -x "$bin/$program" ]]; then
        echo "run-console: $bin/$program is missing; build it first" >&2
        exit 1
    fi
done

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    cat >&2 <<MSG
run-console: there is no display here (neither DISPLAY nor WAYLAND_DISPLAY is set),
so the console's window cannot be shown. Run it under a virtual X server:

    xvfb-run -a -s "-screen 0 1024x768x24" $0 ${bin}

(xvfb-run comes with Debian's package xvfb), or from a desktop session.
MSG
    exit 2
fi

devices="$(mktemp -d -t kasmon-devices.XXXXXX)"
tape="${KASMON_TAPE:-$devices/kasmon-tape.txt}"
export KASDRV_DEVICES="$devices"

emulator_pid=""
stop_emulator() {
    if [[ -n "$emulator_pid" ]] && kill -0 "$emulator_pid" 2>/dev/null; then
        kill "$emulator_pid" 2>/dev/null || true
        wait "$emulator_pid" 2>/dev/null || true
    fi
    emulator_pid=""
}
trap stop_emulator EXIT
trap 'exit 130' INT TERM

"$bin/kasemu" --port 1 --tape "$tape" &
emulator_pid=$!

# The console opens COM1 only when asked, but the port should be there by then.
for _ in $(seq 1 100); do
    [[ -e "$devices/com1" ]] && break
    if ! kill -0 "$emulator_pid" 2>/dev/null; then
        echo "run-console: the emulator did not start" >&2
        exit 1
    fi
    sleep 0.05
done
if [[ ! -e "$devices/com1" ]]; then
    echo "run-console: the emulator did not create $devices/com1" >&2
    exit 1
fi

status=0
LD_LIBRARY_PATH="$bin${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" "$bin/kasmon" "$@" || status=$?
stop_emulator
echo "run-console: the paper tape is in $tape"
exit "$status"
