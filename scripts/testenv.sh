#!/usr/bin/env bash
# The display and the microphone that Morvale's GUI and sound tests run against.
#
#   testenv.sh start DIR   start Xvfb, PulseAudio (a null sink "mic" whose monitor is the default
#                          capture device) and a 440 Hz tone playing into that sink; write DIR/env
#   testenv.sh stop DIR    stop exactly the processes start wrote into DIR/pids
#   testenv.sh exec DIR -- CMD...   run CMD with DIR/env applied
#
# Everything lives in DIR (PulseAudio's socket folder lives in /tmp and is named in DIR), so several
# build folders can each have their own environment at once.
# MORVALE_SCREEN (default 1280x720x24) sets the screen size.
set -euo pipefail

cmd=${1:-}; dir=${2:-}
if [ -z "$cmd" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop|exec DIR [-- CMD...]" >&2; exit 2
fi

log() { printf '[testenv] %s\n' "$*"; }

remember() { echo "$1 $2" >>"$dir/pids"; }

# Appends "export NAME=VALUE" to DIR/env, quoted for the shell that sources it.
setenv() { printf 'export %s=%q\n' "$1" "$2" >>"$dir/env"; }

wait_for() { # wait_for SECONDS TEST...
  local n=$(( $1 * 10 )); shift
  while [ $n -gt 0 ]; do "$@" && return 0; sleep 0.1; n=$((n - 1)); done
  return 1
}

start_display() {
  local n
  for n in $(seq 50 99); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    setsid Xvfb ":$n" -screen 0 "${MORVALE_SCREEN:-1280x720x24}" -nolisten tcp \
      </dev/null >"$dir/xvfb.log" 2>&1 &
    local pid=$!
    if wait_for 10 test -S "/tmp/.X11-unix/X$n" && kill -0 $pid 2>/dev/null; then
      remember Xvfb $pid
      setenv DISPLAY ":$n"
      log "Xvfb :$n pid $pid"
      return 0
    fi
    kill $pid 2>/dev/null || true   # lost a race for this number; try the next
  done
  echo "no free X display number" >&2; return 1
}

start_sound() {
  # PulseAudio splits its server address at spaces and a socket path may not exceed 107 bytes,
  # so its runtime folder is a short space-free one of its own; stop removes it.
  local run
  run=$(mktemp -d /tmp/morvale-pulse-XXXXXX)
  echo "$run" >"$dir/pulse-runtime"
  export XDG_RUNTIME_DIR=$run PULSE_RUNTIME_PATH=$run/pulse PULSE_STATE_PATH=$run/state
  export PULSE_SERVER=unix:$run/native
  XDG_RUNTIME_DIR=$run setsid pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
    -L "module-native-protocol-unix socket=$run/native auth-anonymous=1" \
    -L "module-null-sink sink_name=mic rate=48000 channels=2" -L module-always-sink \
    </dev/null >"$dir/pulse.log" 2>&1 &
  local pid=$!
  remember pulseaudio $pid
  wait_for 10 pactl info >/dev/null 2>&1 || { echo "pulseaudio did not start, see $dir/pulse.log" >&2; return 1; }
  pactl set-default-sink mic
  pactl set-default-source mic.monitor
  setenv XDG_RUNTIME_DIR "$run"
  setenv PULSE_RUNTIME_PATH "$run/pulse"
  setenv PULSE_STATE_PATH "$run/state"
  setenv PULSE_SERVER "unix:$run/native"
  log "pulseaudio pid $pid"

  # One unbroken stream, generated as it is played: a file played over and over leaves a gap in the
  # microphone at each new start. At low latency, so the sink renders in small blocks and the
  # microphone delivers sound continuously, as a real one does. The loop only restarts a player
  # that died.
  # shellcheck disable=SC2016 # the loop's own variables, expanded by the inner shell
  setsid bash -c 'trap "kill \$c 2>/dev/null; exit 0" TERM
                  while :; do
                    sox -q -n -r 44100 -c 2 -b 16 -e signed -t raw - synth 86400 sine 440 vol 0.5 |
                      pacat --latency-msec=20 -d mic --raw --rate=44100 --channels=2 --format=s16le & c=$!
                    wait $c
                  done' \
    </dev/null >"$dir/tone.log" 2>&1 &
  remember tone $!
  setenv MORVALE_TONE_HZ 440
  log "tone loop pid $!"
}

stop_all() {
  local name pid run
  if [ -f "$dir/pids" ]; then
    while read -r name pid; do
      kill -TERM "$pid" 2>/dev/null || continue
      wait_for 3 bash -c "! kill -0 $pid 2>/dev/null" || kill -KILL "$pid" 2>/dev/null || true
      log "stopped $name ($pid)"
    done < <(tac "$dir/pids")
    rm -f "$dir/pids"
  fi
  if [ -f "$dir/pulse-runtime" ]; then
    run=$(<"$dir/pulse-runtime")
    case $run in /tmp/morvale-pulse-?*) rm -rf "$run" ;; esac
    rm -f "$dir/pulse-runtime"
  fi
}

case $cmd in
  start)
    stop_all
    rm -rf "$dir"; mkdir -p "$dir"; : >"$dir/env"
    trap 'stop_all' ERR
    start_display
    start_sound
    ;;
  stop) stop_all ;;
  exec)
    shift 2; [ "${1:-}" = "--" ] && shift
    # shellcheck disable=SC1091
    . "$dir/env"
    exec "$@"
    ;;
  *) echo "unknown command $cmd" >&2; exit 2 ;;
esac
