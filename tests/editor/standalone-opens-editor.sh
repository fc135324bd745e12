#!/usr/bin/env bash
# Opens the Standalone on a virtual display, in a home that has no ~/.config yet, as on
# a fresh account. Passes when its window is shown and its editor has made the user
# preset folder, and it is still running then, to be stopped (no crash, no early exit),
# with no error printed. It waits for those, up to a minute, not for a set time: on a
# busy machine the start alone can take many seconds.
# Arguments: the xvfb-run program, the Standalone program, the xwininfo program.
set -u
xvfb_run="$1"
app="$2"
xwininfo="$3"
work="$(mktemp -d)"
home="$work/home"
presets="$home/.config/Audio/Presets/Quillmor DSP, LLC/QuillmorPelowin"
mkdir "$home"
runner=""
app_pid=""

# xvfb-run, its Xvfb and the app form one process group, led by xvfb-run. Stopping the
# app first lets xvfb-run stop its Xvfb and remove its files; whatever is still there
# after ten seconds goes with the group.
stop_all () {
    [ -n "$app_pid" ] && kill -TERM "$app_pid" 2>/dev/null
    [ -n "$runner" ] || return
    for _ in $(seq 100); do
        kill -0 -- "-$runner" 2>/dev/null || return
        sleep 0.1
    done
    kill -KILL -- "-$runner" 2>/dev/null
}
trap 'stop_all; rm -rf "$work"' EXIT
trap 'exit 1' HUP INT TERM

# The app's process id (the shell's, which execs it), its display and authority file.
HOME="$home" setsid "$xvfb_run" -a bash -c \
    'printf "%s\n%s\n%s\n" "$$" "$DISPLAY" "$XAUTHORITY" > "$1.part" && mv "$1.part" "$1" && exec "$2"' \
    _ "$work/display" "$app" > "$work/output.txt" 2>&1 &
runner=$!

missing="Standalone started"
window_shown () {
    local id
    id=$(DISPLAY="$display" XAUTHORITY="$authority" "$xwininfo" -root -tree 2>/dev/null \
             | awk '/"QuillmorPelowin": \(/ { print $1; exit }')
    [ -n "$id" ] && DISPLAY="$display" XAUTHORITY="$authority" "$xwininfo" -id "$id" 2>/dev/null \
                        | grep -q "Map State: IsViewable"
}
ready () {
    if [ -z "$app_pid" ]; then
        [ -f "$work/display" ] || return 1
        { read -r app_pid; read -r display; read -r authority; } < "$work/display"
    fi
    missing="user preset folder"
    [ -d "$presets" ] || return 1
    missing="window shown"
    window_shown
}

deadline=$((SECONDS + 60))
until ready; do
    if ! kill -0 "$runner" 2>/dev/null; then
        wait "$runner"
        status=$?
        cat "$work/output.txt"
        echo "the Standalone ended by itself with status $status, with no $missing yet"
        exit 1
    fi
    if [ "$SECONDS" -ge "$deadline" ]; then
        cat "$work/output.txt"
        echo "after a minute, still no $missing"
        exit 1
    fi
    sleep 0.2
done

if ! kill -TERM "$app_pid" 2>/dev/null; then
    echo "the Standalone ended by itself as its window showed"
    exit 1
fi
for _ in $(seq 300); do
    kill -0 "$runner" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$runner" 2>/dev/null; then
    echo "the Standalone did not stop within half a minute"
    exit 1
fi
wait "$runner"
status=$?
app_pid=""
cat "$work/output.txt"

# xvfb-run passes on the app's status: 143 is the TERM sent just now.
if [ "$status" -ne 143 ]; then
    echo "the Standalone ended with status $status, not by the stop"
    exit 1
fi
if grep -qi "error" "$work/output.txt"; then
    echo "the Standalone reported an error"
    exit 1
fi
echo "the Standalone ran with its editor"
