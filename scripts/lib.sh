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

# The stand-in master: compiled to OUT/standin-master, started detached with
# ARGS (see tools/standin/master.cpp), and waited for (10 s at most) until it
# has written OUT/ports.txt ("master=PORT"). MASTER_PID and MASTER_PORT.
start_master() { # OUT ARGS...
  local out="$1"
  shift
  mkdir -p "$out"
  g++ -std=c++20 -O2 "$root/tools/standin/master.cpp" -o "$out/standin-master" || return 1
  rm -f "$out/ports.txt"
  setsid "$out/standin-master" --ports-file "$out/ports.txt" "$@" </dev/null >"$out/master.log" 2>&1 &
  MASTER_PID=$!
  for _ in $(seq 100); do
    if [ -s "$out/ports.txt" ]; then
      MASTER_PORT="$(sed -n 's/^master=//p' "$out/ports.txt")"
      return 0
    fi
    sleep 0.1
  done
  echo "the stand-in master wrote no port within 10 s (see $out/master.log)" >&2
  kill "$MASTER_PID" 2>/dev/null || true
  return 1
}

# An openarena-server of our own on a free loopback port, speaking PROTOCOL
# (25 or 26) and sending its heartbeat to MASTER (host:port, or "" for none).
# Its home is OUT/home-PROTOCOL. OA_PID and OA_PORT.
start_openarena() { # OUT PROTOCOL MASTER NAME
  local out="$1" protocol="$2" master="$3" name="$4" dedicated=1
  [ -n "$master" ] && dedicated=2
  mkdir -p "$out/home-$protocol"
  OA_PORT="$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
  HOME="$out/home-$protocol" setsid /usr/games/openarena-server +set dedicated "$dedicated" \
    +set net_ip 127.0.0.1 +set net_port "$OA_PORT" +set sv_master1 "$master" +set sv_master2 "" \
    +set sv_master3 "" +set com_protocol "$protocol" +set com_legacyprotocol "$protocol" \
    +set sv_hostname "$name" +map oa_dm1 </dev/null >"$out/openarena-$protocol.log" 2>&1 &
  OA_PID=$!
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
