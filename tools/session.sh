# Sourced by tools/kitbag and bench/run-bench (bash, safe under set -eu): an X
# server and a persistent wineserver for one session, stopped again when the
# caller exits.
#
#   kb_session_start PREFIX   exports KITBAG_DISPLAY (own Xvfb unless already
#                             set) and keeps one wineserver up for PREFIX.

kb_session_pids=()
kb_session_prefix=
kb_session_tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The prefix's own wineserver with the given arguments (-k, -w, ...).
kb_wineserver() {
  local prefix=$1
  shift
  "$kb_session_tools/wine-run" --prefix="$prefix" --server "$@"
}

kb_session_stop() {
  if [[ -n $kb_session_prefix ]]; then
    # Killing the server ends every Wine process of the prefix; waiting for
    # it means none is left when the caller goes on.
    kb_wineserver "$kb_session_prefix" -k >/dev/null 2>&1 || true
    timeout 20 "$kb_session_tools/wine-run" --prefix="$kb_session_prefix" --server -w \
      >/dev/null 2>&1 || true
    kb_session_prefix=
  fi
  local pid
  for pid in "${kb_session_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  kb_session_pids=()
}

# Xvfb on the first display number nobody holds; a lost race for the lock
# just moves on to the next number.
kb_start_xvfb() {
  local n pid i
  for ((n = 90; n < 200; n++)); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    pid=$!
    for ((i = 0; i < 100; i++)); do
      if [[ -S /tmp/.X11-unix/X$n ]]; then
        kb_session_pids+=("$pid")
        export KITBAG_DISPLAY=:$n
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  echo "kitbag: could not start Xvfb" >&2
  return 1
}

# The socket PREFIX's server listens on once it runs: Wine keeps it in a
# folder named after the prefix's device and inode, below /tmp/.wine-UID, or
# below the folder the prefix's "wineserver" file names (Debian's Wine).
kb_server_socket() {
  local prefix=$1 tmp
  tmp=$(cat "$prefix/wineserver" 2>/dev/null) || tmp=.wine-$(id -u)
  # shellcheck disable=SC2046
  printf '/tmp/%s/server-%x-%x/socket\n' "$tmp" $(stat -c '%d %i' "$prefix")
}

# kb_start_prefix_server PREFIX [ARCH]: a persistent server of our own for
# PREFIX (of word size ARCH when new), listening before anything else
# runs there. A program that finds no server starts one itself, and that one
# quits, with Wine's background processes, as soon as its last program ends:
# every later program would start them all again (seconds each under
# emulation). So a server left from an earlier run is stopped first, and
# nothing starts until ours listens.
kb_start_prefix_server() {
  local prefix=$1 arch=(${2:+--arch=$2}) pid i
  mkdir -p "$prefix"
  kb_wineserver "$prefix" -k >/dev/null 2>&1 || true
  timeout 20 "$kb_session_tools/wine-run" --prefix="$prefix" --server -w >/dev/null 2>&1 || true
  # Detached, or it would hold the caller's output open.
  setsid "$kb_session_tools/wine-run" --prefix="$prefix" "${arch[@]}" --server -f -p \
    >/dev/null 2>&1 </dev/null &
  pid=$!
  kb_session_pids+=("$pid")
  for ((i = 0; i < 300; i++)); do
    [[ -S $(kb_server_socket "$prefix") ]] && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "kitbag: the wineserver for $prefix did not start" >&2
  return 1
}

kb_start_wineserver() {
  local prefix=$1 new=
  # Ours to stop at the end, whatever happens from here on.
  kb_session_prefix=$prefix
  [[ -e $prefix/.kitbag-ready ]] || new=1
  kb_start_prefix_server "$prefix" || return 1
  # The first program of a server starts Wine's own background processes,
  # which live as long as the server and keep the starter's output open:
  # under ctest that would be a test that never ends. Start them here; a
  # prefix that cannot be set up ends the session here too.
  "$kb_session_tools/wine-run" --prefix="$prefix" cmd /c exit 0 </dev/null >/dev/null || return 1
  [[ -n $new ]] || return 0
  # A prefix's first boot leaves a second set of those processes behind
  # (its own and those of the update that follows it); with two service
  # managers a program that needs a service (COM's rpcss) waits about 20
  # seconds for it under emulation, every time. A clean start ends that.
  kb_start_prefix_server "$prefix" || return 1
  "$kb_session_tools/wine-run" --prefix="$prefix" cmd /c exit 0 </dev/null >/dev/null
}

kb_session_start() {
  trap kb_session_stop EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  if [[ -z ${KITBAG_DISPLAY-} ]]; then kb_start_xvfb || return 1; fi
  kb_start_wineserver "$(realpath -m "$1")"
}

# A new, empty prefix of the given architecture (win32 or win64) for a test
# that must not share the suite's, with its own display (a second prefix's
# desktop on the suite's display would take it over, and every later test
# there would wait for a new desktop) and its own server.  Exports
# WINEPREFIX.  kb_fresh_prefix_remove [FILE...] stops it all and removes the
# prefix and the files named (KITBAG_KEEP_PREFIX=1 keeps them).
kb_fresh_prefix() {
  kb_fresh_prefix_dir=$1
  export WINEPREFIX=$1 WINEDEBUG=-all
  kb_start_xvfb || return 1
  kb_wineserver "$WINEPREFIX" -k >/dev/null 2>&1
  rm -rf "$WINEPREFIX"
  # One server for every call, wineboot included; wine-run creates the
  # prefix on its first call.
  kb_start_prefix_server "$WINEPREFIX" "$2" || return 1
  timeout -k 5 120 "$kb_session_tools/wine-run" --prefix="$WINEPREFIX" --arch="$2" \
    cmd /c exit 0 >/dev/null || return 1
  # What the first boot leaves running goes, as in kb_start_wineserver.
  kb_start_prefix_server "$WINEPREFIX" "$2" || return 1
  timeout -k 5 120 "$kb_session_tools/wine-run" --prefix="$WINEPREFIX" --arch="$2" \
    cmd /c exit 0 >/dev/null
}

kb_fresh_prefix_remove() {
  kb_wineserver "$kb_fresh_prefix_dir" -k >/dev/null 2>&1
  timeout 20 "$kb_session_tools/wine-run" --prefix="$kb_fresh_prefix_dir" --server -w \
    >/dev/null 2>&1
  local pid
  for pid in "${kb_session_pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  kb_session_pids=()
  if [[ ${KITBAG_KEEP_PREFIX:-0} == 1 ]]; then
    echo "# prefix kept in $kb_fresh_prefix_dir"
  else
    rm -rf "$kb_fresh_prefix_dir" "$kb_fresh_prefix_dir.lock" "$kb_fresh_prefix_dir.init.log" "$@"
  fi
}
