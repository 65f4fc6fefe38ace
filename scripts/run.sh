#!/usr/bin/env bash
# Installs, builds and starts the player. It runs in build/, the folder that holds
# Interface/radio.int and where it keeps its settings files.
#
# With --demo it plays without internet: stations of generated sounds on a local icecast2, a
# demo catalogue and site on a loopback server, the player in build/demo (tools/demo/demo.py).
# Everything the demo starts is stopped when the player ends or the script is interrupted.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  "") ;;
  --demo) ;;
  *) echo "usage: $0 [--demo]" >&2; exit 2 ;;
esac
# Only what running needs is installed and built; scripts/test.sh adds the tests.
bash scripts/build.sh "${1:---run}"
if [ "${1:-}" = "--demo" ]; then
  exec python3 tools/demo/demo.py build
fi
cd build
exec ./sonavia
