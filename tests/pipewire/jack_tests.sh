#!/usr/bin/env bash
# Runs the JACK backend's tests on PipeWire's JACK, the JACK of most current desktops: a
# PipeWire and WirePlumber of the test's own, without a sound card, inside a D-Bus session
# of its own and with a runtime folder of its own, the tests under pw-jack.
# Usage: jack_tests.sh <kq505_jack_tests>; exits 77 (skipped) when PipeWire is not installed.
set -uo pipefail
tests=$1

for tool in dbus-run-session pipewire wireplumber pw-jack pw-cli; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
done

if [ -z "${KQ505_PIPEWIRE_INSIDE:-}" ]; then
  runtime=$(mktemp -d)
  chmod 700 "$runtime"
  KQ505_PIPEWIRE_INSIDE=1 XDG_RUNTIME_DIR=$runtime timeout 120 dbus-run-session -- "$0" "$tests"
  status=$?
  rm -rf "$runtime"
  exit $status
fi

pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait' EXIT
pipewire >"$XDG_RUNTIME_DIR/pipewire.log" 2>&1 &
pids+=($!)
wireplumber >"$XDG_RUNTIME_DIR/wireplumber.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do pw-cli info 0 >/dev/null 2>&1 && break; sleep 0.05; done
# The driver nodes come from WirePlumber's first round; give it that.
sleep 1
KQ505_JACK_TEST_EXTERNAL=1 KQ505_MIDI_API=jack pw-jack "$tests"
status=$?
[ $status -eq 0 ] || tail -n 20 "$XDG_RUNTIME_DIR/pipewire.log" "$XDG_RUNTIME_DIR/wireplumber.log"
exit $status
