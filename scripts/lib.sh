# What several scripts share; sourced (after `root` is set), never run.
# Each helper starts something the calling script then owns and stops.

# The stand-in game server: compiled to OUT/standin, started detached with one
# UDP port per variant, and waited for (10 s at most) until it has written
# OUT/ports.txt (VARIANT=PORT lines). STANDIN_PID is its process.
start_standin() { # OUT VARIANT...
  local out="$1"
  shift
  mkdir -p "$out"
  g++ -std=c++20 -O2 "$root/tools/standin/standin.cpp" -o "$out/standin" || return 1
  rm -f "$out/ports.txt"
  # Detached, with no inherited output: CTest waits for that output to close.
  setsid "$out/standin" --ports-file "$out/ports.txt" "$@" </dev/null >"$out/standin.log" 2>&1 &
  STANDIN_PID=$!
  for _ in $(seq 100); do
    [ -s "$out/ports.txt" ] && return 0
    sleep 0.1
  done
  echo "the stand-in server wrote no ports within 10 s (see $out/standin.log)" >&2
  kill "$STANDIN_PID" 2>/dev/null || true
  return 1
}

# The port of one variant of a started stand-in.
standin_port() { # OUT VARIANT
  sed -n "s/^$2=//p" "$1/ports.txt"
}

# An Xvfb of our own on a display it found free itself (-displayfd), waited
# for (10 s at most) until it takes connections. Sets DISPLAY and XVFB_PID.
start_xvfb() {
  local fifo
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 &
  XVFB_PID=$!
  local number=""
  read -r -t 10 number <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$number" ]; then
    echo "Xvfb did not start within 10 s" >&2
    kill "$XVFB_PID" 2>/dev/null || true
    return 1
  fi
  export DISPLAY=":$number"
}
