# Shared by the benchmarks: sourced by bench/run.

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
