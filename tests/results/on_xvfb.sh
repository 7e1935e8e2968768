#!/usr/bin/env bash
# Runs a test program on Qt's xcb platform under a private virtual X server
# with openbox, for what the offscreen platform lacks (the selection
# clipboard). Usage: on_xvfb.sh <program> [arguments...]
source "$(dirname "$0")/../../scripts/virtual-display.sh"
trap stop_virtual_display EXIT
start_virtual_display
case $? in
1) echo "FAIL: no X server could be started" >&2; exit 1 ;;
2) echo "FAIL: openbox did not start on $DISPLAY" >&2; exit 1 ;;
esac
QT_QPA_PLATFORM=xcb "$@"
