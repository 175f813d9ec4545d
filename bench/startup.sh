# The start-up benchmark: sourced by bench/run. From starting tidelight (one
# channel with one new headline) to its panel window, and to the headline on
# screen, beside Wine's notepad to its window, in turns.
port=47394
bench_start python3 "$top/bench/feeds.py" "$port"
probe="$top/build/startup_probe.exe"

results="$work/startup.tsv"
: >"$results"
echo "== start-up: milliseconds from the start, $rounds rounds in turns"
for round in $(seq 1 "$rounds"); do
  # A channel never polled before, so its one headline is new.
  echo "http://127.0.0.1:$port/one.xml?r=$round$$" | set_channels 60
  # Into a file, not a pipe: the program inherits the probe's output and
  # would hold a pipe open until it ends.
  wine "$probe" '#32770' tidelight leave "$(winepath -w "$top/build/tidelight.exe")" \
    </dev/null >"$work/probe.out" 2>/dev/null || true
  tr -d '\r' <"$work/probe.out" | sed 's/^/tidelight\t/' >>"$results"
  wine "$top/build/exit_tidelight.exe" </dev/null >/dev/null 2>&1 || true
  wine "$probe" Notepad - close notepad.exe </dev/null >"$work/probe.out" 2>/dev/null || true
  tr -d '\r' <"$work/probe.out" | sed 's/^/notepad\t/' >>"$results"
  echo "round $round done"
done
report "$results" tidelight notepad
bench_stop
