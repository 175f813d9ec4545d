# Shared by the benchmarks: sourced by bench/run.
. "$top/scripts/wine-env"
export WINEPREFIX="$work/wineprefix"

# A Wine session of the benchmark's own, and beside it the server that the
# arguments start (in the background; none when there are no arguments),
# both ended by bench_stop or when the run ends.
bench_start() {
  server_pid=""
  if [ $# -gt 0 ]; then
    "$@" >/dev/null 2>&1 &
    server_pid=$!
  fi
  trap bench_stop EXIT
  wine_session_start own
}

bench_stop() {
  [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
  wine_session_stop
  trap - EXIT
}

# The X server and the window manager of the benchmark's session:
# wine_session_start own starts them first, in this order.
xserver_pid() {
  echo "${wine_session_pids[0]}"
}
wm_pid() {
  echo "${wine_session_pids[1]}"
}

# CPU seconds (user + system) a process has used so far.
cpu_seconds() {
  python3 - "$1" <<'PY'
import os, sys
fields = open(f"/proc/{sys.argv[1]}/stat").read().rsplit(")", 1)[1].split()
print((int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK"))
PY
}

# The wineserver of $WINEPREFIX: its working folder is named after the
# prefix's device and inode.
wineserver_pid() {
  local dir
  dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for pid in $(pgrep wineserver || true); do
    case "$(readlink "/proc/$pid/cwd" 2>/dev/null)" in */"$dir") echo "$pid"; return ;; esac
  done
}

# Prints a table from lines "name<TAB>what<TAB>value" in $1: the median and
# range of each, and the ratio of the two names' medians per measure.
report() {
  python3 "$top/bench/report.py" "$@"
}

# Private memory of a process in MiB (what it alone holds: its own pages,
# clean and dirty, not the shared libraries).
private_mib() {
  awk '/^Private_(Clean|Dirty):/ { kb += $2 } END { printf "%.2f\n", kb / 1024 }' "/proc/$1/smaps_rollup"
}

threads() {
  awk '/^Threads:/ { print $2 }' "/proc/$1/status"
}

# Replaces tidelight's channels with those named on standard input (one URL
# a line), each polled every $1 minutes, with the update check and the help
# channel off; through one .reg file, as a reg call per channel is slow.
set_channels() {
  local interval=$1 file="$work/channels.reg"
  {
    printf 'REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\SOFTWARE\\tidelight\\Channels]\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\SOFTWARE\\tidelight]\r\n"checkForUpdates"=dword:00000000\r\n'
    printf '"helpActive"=dword:00000000\r\n"panelDisplayInterval"=dword:00000001\r\n'
    printf '"panelDisplayTime"=dword:00000001\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\SOFTWARE\\tidelight\\Channels]\r\n\r\n'
    while read -r url; do
      printf '[HKEY_CURRENT_USER\\SOFTWARE\\tidelight\\Channels\\%s]\r\n"pollingInterval"=dword:%08x\r\n\r\n' \
        "$url" "$interval"
    done
  } >"$file"
  wine regedit /s "$(winepath -w "$file" 2>/dev/null)" </dev/null >/dev/null 2>&1
}

# Starts tidelight in the background; $program is its process (wine
# becomes the Windows process itself, so CPU and memory are read from it).
start_tidelight() {
  wine "$top/build/tidelight.exe" </dev/null >/dev/null 2>&1 &
  program=$!
}

# Ends it through "Exit", as a user would, and waits for it.
stop_tidelight() {
  wine "$top/build/exit_tidelight.exe" </dev/null >/dev/null 2>&1 || true
  wait "$program" 2>/dev/null || true
}
