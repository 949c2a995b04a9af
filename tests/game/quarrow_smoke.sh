#!/usr/bin/env bash
# Starts the game (its executable is the first argument) with "-fullscreen false" in an empty temporary
# working folder that also holds the single-instance lock. Once "config.xml" exists and one more second
# has passed, it sends SIGTERM, the ordinary close request, and expects exit code 0 within 30 seconds and
# the language key with its description in "config.xml".
set -u
quarrow=$1
folder=$(mktemp -d "${TMPDIR:-/tmp}/quarrow-smoke-XXXXXX")
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1
export XDG_RUNTIME_DIR=$folder
if [[ -z ${DISPLAY:-} && -z ${SDL_VIDEODRIVER:-} ]]; then
    export SDL_VIDEODRIVER=offscreen
fi

fail() {
    echo "FAIL: $*"
    echo "--- the game's trace:"
    cat trace.txt
    exit 1
}

"$quarrow" -fullscreen false >trace.txt 2>&1 &
pid=$!
for ((i = 0; i < 300; ++i)); do
    [[ -f config.xml ]] && break
    kill -0 "$pid" 2>/dev/null || fail "the game ended before writing config.xml"
    sleep 0.1
done
if [[ ! -f config.xml ]]; then
    kill -KILL "$pid"
    fail "no config.xml after 30 seconds"
fi
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the game ended on its own before the close request"
kill -TERM "$pid"
for ((i = 0; i < 300; ++i)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    fail "still running 30 seconds after the close request"
fi
wait "$pid"
status=$?
[[ $status -eq 0 ]] || fail "exit code $status"
grep -qF "<!-- game language; 'ask' will display a selection screen before the game starts -->" config.xml ||
    fail "config.xml lacks the language key's description"
grep -qF "<language>ask</language>" config.xml || fail "config.xml lacks the language key"
echo "quarrow closed with exit code 0 and wrote config.xml"
