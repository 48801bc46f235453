#!/usr/bin/env bash
# quillmere --help and --version answer on standard output and exit 0 before
# the program needs a display: without one, and with one, where neither is
# taken as a file to open.
#   help_and_version.sh PROGRAM VERSION
set -euo pipefail
program="$1"
version="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

out="$(mktemp)" err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT
for display in none offscreen; do
  for option in --help --version; do
    if [ "$display" = none ]; then
      run=(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$program" "$option")
    else
      run=(env QT_QPA_PLATFORM=offscreen "$program" "$option")
    fi
    status=0
    timeout 20 "${run[@]}" >"$out" 2>"$err" || status=$?
    [ "$status" = 0 ] || fail "$option with display $display exited $status: $(cat "$err")"
    [ ! -s "$err" ] || fail "$option with display $display wrote to standard error: $(cat "$err")"
    case "$option" in
      --help) head -n 1 "$out" | grep -qxF "usage: quillmere [FILE]" || fail "--help printed: $(cat "$out")" ;;
      --version) [ "$(cat "$out")" = "quillmere $version" ] || fail "--version printed: $(cat "$out")" ;;
    esac
    echo "$option with display $display: exit 0, $(head -n 1 "$out")"
  done
done
