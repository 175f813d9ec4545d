# The idle benchmark: sourced by bench/run. tidelight with 0, 50 and 200
# channels whose feeds have nothing to show (so the panel stays hidden),
# beside Wine's notepad as a do-nothing window, in turns: CPU of the program
# and of wineserver over a window after settling, private memory, threads,
# and memory per channel against the same round's run without channels.
window=$([ "$quick" = 1 ] && echo 5 || echo 30)
settle=$([ "$quick" = 1 ] && echo 5 || echo 20)
port=47393
bench_start python3 "$top/bench/feeds.py" "$port"
server=$(wineserver_pid)

results="$work/idle.tsv"
: >"$results"
# One subject's figures: CPU over the window after settling, then memory.
measure() {
  local subject=$1 before_program before_server
  sleep "$settle"
  before_program=$(cpu_seconds "$program"); before_server=$(cpu_seconds "$server")
  sleep "$window"
  {
    printf '%s\tprogram %% of a core\t%s\n' "$subject" \
      "$(python3 -c "print(100 * ($(cpu_seconds "$program") - $before_program) / $window)")"
    printf '%s\twineserver %% of a core\t%s\n' "$subject" \
      "$(python3 -c "print(100 * ($(cpu_seconds "$server") - $before_server) / $window)")"
    printf '%s\tprivate MiB\t%s\n' "$subject" "$(private_mib "$program")"
    printf '%s\tthreads\t%s\n' "$subject" "$(threads "$program")"
  } >>"$results"
}
echo "== idle: ${settle} s to settle, then ${window} s measured, $rounds rounds in turns"
for round in $(seq 1 "$rounds"); do
  wine notepad </dev/null >/dev/null 2>&1 &
  program=$!
  measure notepad
  kill "$program" 2>/dev/null; wait "$program" 2>/dev/null || true
  for count in 0 50 200; do
    seq 1 "$count" | sed "s|^|http://127.0.0.1:$port/quiet.xml?c=|" | set_channels 60
    start_tidelight
    measure "channels-$count"
    stop_tidelight
  done
  python3 - "$results" "$round" <<'PY'
import sys
rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1])]
memory = {s: float(v) for s, m, v in rows if m == "private MiB"}  # this round's, the last written
with open(sys.argv[1], "a") as out:
    for count in (50, 200):
        out.write(f"channels-{count}\tMiB per channel\t{(memory[f'channels-{count}'] - memory['channels-0']) / count}\n")
PY
  echo "round $round done"
done
for count in 0 50 200; do
  echo "-- $count channels beside a do-nothing window"
  report "$results" "channels-$count" notepad
done
bench_stop
