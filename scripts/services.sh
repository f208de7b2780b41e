# The loopback services the consultation's tests talk to: the reference
# rating server and Debian's tinyproxy, on ports chosen free at run time.
# Sourced by scripts/test.sh; start_test_services exports MORVANE_TEST_SERVER
# and MORVANE_TEST_PROXY, stop_test_services ends what it started.

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

start_test_services() { # path-of-morvane-ratings
  MORVANE_SERVICES_DIR=$(mktemp -d /tmp/morvane-services.XXXXXX)
  local port
  if [ -x "$1" ]; then
    port=$(free_port)
    "$1" --db "$MORVANE_SERVICES_DIR/ratings.db" --listen "127.0.0.1:$port" \
      >"$MORVANE_SERVICES_DIR/ratings.out" 2>"$MORVANE_SERVICES_DIR/ratings.log" &
    MORVANE_RATINGS_PID=$!
    for _ in $(seq 1 50); do
      grep -q listening "$MORVANE_SERVICES_DIR/ratings.out" 2>/dev/null && break
      sleep 0.1
    done
    export MORVANE_TEST_SERVER="http://127.0.0.1:$port"
  fi
  if command -v tinyproxy >/dev/null; then
    port=$(free_port)
    cat >"$MORVANE_SERVICES_DIR/tinyproxy.conf" <<CONF
Port $port
Listen 127.0.0.1
Timeout 60
MaxClients 20
Allow 127.0.0.1
LogLevel Warning
LogFile "$MORVANE_SERVICES_DIR/tinyproxy.log"
DisableViaHeader Yes
CONF
    tinyproxy -d -c "$MORVANE_SERVICES_DIR/tinyproxy.conf" >/dev/null 2>&1 &
    MORVANE_TINYPROXY_PID=$!
    sleep 0.5
    export MORVANE_TEST_PROXY="127.0.0.1:$port"
  fi
}

stop_test_services() {
  for pid in ${MORVANE_RATINGS_PID:-} ${MORVANE_TINYPROXY_PID:-}; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  unset MORVANE_RATINGS_PID MORVANE_TINYPROXY_PID MORVANE_TEST_SERVER MORVANE_TEST_PROXY
  [ -n "${MORVANE_SERVICES_DIR:-}" ] && rm -rf "$MORVANE_SERVICES_DIR"
  unset MORVANE_SERVICES_DIR
}
