#!/bin/bash
# The program on a real desktop: an X server with a window manager (openbox), driven with the
# keyboard as a person drives it:
#   desktop_check.sh BRENNIC_PROGRAM
# Checks that every message box and dialog stands in front of the main window with the
# keyboard focus (a start-up error, the save questions at closing, the Image menu's dialogs),
# and that opening and closing dialogs neither moves nor re-creates the main window.
set -u
app=$1
dir=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
export BRENNIC_REGISTRY=$dir/registry.sqlite XDG_RUNTIME_DIR=$dir QT_QPA_PLATFORM=xcb
unset BRENNIC_SCRIPT

fail() {
  echo "FAIL: $*"
  exit 1
}
# Runs a command every 50 ms until it succeeds, for at most 30 s.
wait_for() {
  local what=$1
  shift
  for _ in $(seq 600); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  fail "waited 30 s for $what"
}
visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
is_visible() { [ -n "$(visible "$1")" ]; }
is_gone() { [ -z "$(visible "$1")" ]; }
# The window stands above the main window in the window manager's stacking order and has the
# keyboard focus.
in_front() {
  local window=$1 main=$2 what=$3
  wait_for "$what to take the focus" test "$(xdotool getactivewindow 2>/dev/null)" = "$window"
  local stacking
  stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
  local w m i=0 iw=-1 im=-1
  w=$(printf '0x%x' "$window")
  m=$(printf '0x%x' "$main")
  for id in $stacking; do
    [ "$id" = "$w" ] && iw=$i
    [ "$id" = "$m" ] && im=$i
    i=$((i + 1))
  done
  [ "$iw" -gt "$im" ] || fail "$what is not in front of the main window (stacking: $stacking)"
}
main_title='^Brennic V\.2\.10$'
box_title='^Brennic$'

# A 2 x 2 picture written byte by byte, and a file that only looks like one.
bmp() {
  printf 'BM\106\0\0\0\0\0\0\0\066\0\0\0\050\0\0\0\2\0\0\0\2\0\0\0\1\0\030\0\0\0\0\0\020\0\0\0'
  printf '\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0'
  printf '\377\0\0\0\377\0\0\0\0\0\377\200\200\200\0\0'
}
bmp >"$dir/photo.bmp"
printf 'BM this is no picture' >"$dir/damaged.bmp"
for n in a b c; do cp "$dir/photo.bmp" "$dir/$n.bmp"; done

# An X server of our own, on a number drawn from a wide range so that servers other tests start
# at the same moment do not meet it; another number when it does not answer.
for try in 1 2 3 4 5; do
  n=$(( (RANDOM * 32768 + RANDOM) % 30000 + 1000 ))
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >"$dir/xvfb.log" 2>&1 &
  server=$!
  for _ in $(seq 200); do
    kill -0 "$server" 2>/dev/null || break
    xdpyinfo -display ":$n" >/dev/null 2>&1 && break
    sleep 0.05
  done
  kill -0 "$server" 2>/dev/null && xdpyinfo -display ":$n" >/dev/null 2>&1 && break
  kill "$server" 2>/dev/null
done
pids+=($server)
export DISPLAY=":$n"
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
openbox >"$dir/openbox.log" 2>&1 &
wm=$!
pids+=($wm)
for _ in $(seq 600); do
  wm_up && break
  # Started before the server took connections (a busy machine): start it again.
  if ! kill -0 "$wm" 2>/dev/null; then
    openbox >>"$dir/openbox.log" 2>&1 &
    wm=$!
    pids+=($wm)
  fi
  sleep 0.05
done
wm_up || fail "the window manager did not start: $(cat "$dir/openbox.log" "$dir/xvfb.log")"

echo "1. A damaged file named on the command line: its error box is in front"
"$app" "$dir/damaged.bmp" "$dir/photo.bmp" >"$dir/out1.txt" 2>&1 &
pid=$!
pids+=($pid)
wait_for "the error box" is_visible "$box_title"
main=$(visible "$main_title")
[ -n "$main" ] || fail "no main window"
in_front "$(visible "$box_title")" "$main" "the error box"
xdotool key Return
wait_for "the error box to close" is_gone "$box_title"
kill "$pid"
wait "$pid" 2>/dev/null

echo "2. Closing with three changed pictures: each save question is in front"
cat >"$dir/script.txt" <<SCRIPT
trigger mnuColors_5
activate 2
trigger mnuColors_5
activate 1
trigger mnuColors_5
boxes real
SCRIPT
BRENNIC_SCRIPT=$dir/script.txt "$app" "$dir/a.bmp" "$dir/b.bmp" "$dir/c.bmp" >"$dir/out2.txt" 2>&1 &
pid=$!
pids+=($pid)
wait_for "the script" grep -q "script: done" "$dir/out2.txt"
main=$(visible "$main_title")
timeout 10 xdotool windowactivate --sync "$main"
xdotool key alt+F4
for n in 1 2 3; do
  wait_for "save question $n" is_visible "$box_title"
  box=$(visible "$box_title")
  in_front "$box" "$main" "save question $n"
  xdotool key n
  wait_for "save question $n to close" sh -c "! xdotool search --onlyvisible --name '$box_title' | grep -qx '$box'"
done
wait_for "the program to end" sh -c "! kill -0 $pid 2>/dev/null"
wait "$pid"
[ $? -eq 0 ] || fail "the program did not end normally after the last question"

echo "3. The Image menu's dialogs are in front and the main window stays where it is"
"$app" "$dir/photo.bmp" >"$dir/out3.txt" 2>&1 &
pid=$!
pids+=($pid)
wait_for "the main window" is_visible "$main_title"
main=$(visible "$main_title")
timeout 10 xdotool windowactivate --sync "$main"
before=$(xdotool getwindowgeometry "$main")
dialog() {
  local key=$1 title=$2
  xdotool key alt+i
  sleep 0.2
  xdotool key "$key"
  wait_for "the dialog $title" is_visible "^$title\$"
  in_front "$(visible "^$title\$")" "$main" "the dialog $title"
  xdotool key Escape
  wait_for "the dialog $title to close" is_gone "^$title\$"
  # As a person clicks on it before the next command (a window manager under load may leave
  # the focus nowhere for a moment).
  timeout 10 xdotool windowactivate --sync "$main" >/dev/null 2>&1
}
for _ in $(seq 10); do dialog r "Choose New Size"; done
dialog c "Custom Filter"
dialog m "Image Combination"
[ "$(visible "$main_title")" = "$main" ] || fail "the main window was re-created"
after=$(xdotool getwindowgeometry "$main")
[ "$before" = "$after" ] || fail "the main window moved: '$before' became '$after'"
kill "$pid"
echo "passed"
