#!/usr/bin/env bash
# Starts the program on a real X server (Xvfb) and confirms from outside,
# with xwininfo, that its main window appears with its caption.
#   window_title.sh PROGRAM [ARGUMENT ...]
set -euo pipefail
program="$1"
shift
caption="Quillmere Version 1.1"

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  program="$1"; caption="$2"; shift 2
  "$program" "$@" & pid=$!
  for _ in $(seq 1 100); do
    if xwininfo -root -tree | grep -qF "\"$caption\""; then
      kill "$pid"; wait "$pid" 2>/dev/null || true
      echo "found the window \"$caption\""
      exit 0
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  echo "no window \"$caption\" appeared" >&2
  xwininfo -root -tree >&2
  exit 1' _ "$program" "$caption" "$@"
