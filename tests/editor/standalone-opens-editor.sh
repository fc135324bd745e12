#!/usr/bin/env bash
# Opens the Standalone on a virtual display for a few seconds. Passes when it is
# still running when stopped (no crash, no early exit, no error printed) and its
# editor created the user preset folder on the way up, in a home that has no
# ~/.config yet, as on a fresh account.
# Arguments: the xvfb-run program, the Standalone program.
set -u
xvfb_run="$1"
app="$2"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT

HOME="$home" timeout -s TERM 6 "$xvfb_run" -a "$app" > "$home/output.txt" 2>&1
status=$?
cat "$home/output.txt"

if [ "$status" -ne 124 ]; then
    echo "the Standalone ended by itself with status $status"
    exit 1
fi
if grep -qi "error" "$home/output.txt"; then
    echo "the Standalone reported an error"
    exit 1
fi
if [ ! -d "$home/.config/Audio/Presets/Quillmor DSP, LLC/QuillmorPelowin" ]; then
    echo "the editor did not open"
    exit 1
fi
echo "the Standalone ran with its editor"
