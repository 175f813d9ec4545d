# The slide benchmark: sourced by bench/run. The program's CPU while
# headlines slide in and out one after another, beside the same program
# with nothing to show over the same time. Between slides the panel rests (a
# second shown, a second hidden), which dilutes the CPU over the whole window
# by about half; so the panel's moves are also timed as the X server sees
# them, and the window's CPU is given per second of moving too, all of it
# charged to the moves. The X server and the window manager do work for each
# move as well, and are measured beside the program and wineserver.
window=$([ "$quick" = 1 ] && echo 8 || echo 16)
feeds="$work/slide-feeds"
mkdir -p "$feeds"
python3 - "$feeds/feed.xml" <<'PY'
import sys
items = "".join(f"<item><title>Headline {i}</title><link>http://127.0.0.1/{i}</link>"
                f"<description>A description long enough to wrap over two lines of the panel, number {i}.</description></item>"
                for i in range(200))
open(sys.argv[1], "w").write(f'<?xml version="1.0"?><rss version="2.0"><channel><title>Slides</title>{items}</channel></rss>')
PY
port=47391
bench_start python3 -m http.server "$port" --bind 127.0.0.1 --directory "$feeds"
processes=("wineserver=$(wineserver_pid)" "X server=$(xserver_pid)" "window manager=$(wm_pid)")
moves="$work/slide-moves.txt"
: >"$moves"
stdbuf -oL xev -root -event substructure 2>/dev/null | python3 "$top/bench/moves.py" record "$moves" &
monitor=$!
key='HKEY_CURRENT_USER\SOFTWARE\tidelight'
channel="$key\\Channels\\http://127.0.0.1:$port/feed.xml"
for value in checkForUpdates helpActive; do
  wine reg add "$key" /v $value /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
done
wine reg add "$key" /v panelDisplayInterval /t REG_DWORD /d 1 /f >/dev/null 2>&1 </dev/null
wine reg add "$key" /v panelDisplayTime /t REG_DWORD /d 1 /f >/dev/null 2>&1 </dev/null
wine reg delete "$key\\Downloads" /f >/dev/null 2>&1 </dev/null || true

# "name=pid" for the program and the processes above, then each one's CPU
# seconds: the arguments of one sample.
sample() {
  local entry
  for entry in "program=$program" "${processes[@]}"; do
    printf '%s\n%s\n' "${entry%=*}" "$(cpu_seconds "${entry##*=}")"
  done
}

results="$work/slide.tsv"
: >"$results"
echo "== slide: CPU over ${window} s of headlines sliding in and out, $rounds rounds in turns"
for round in $(seq 1 "$rounds"); do
  for subject in idle sliding; do
    wine reg delete "$key\\Channels" /f >/dev/null 2>&1 </dev/null || true
    if [ "$subject" = sliding ]; then
      wine reg add "$channel" /v pollingInterval /t REG_DWORD /d 60 /f >/dev/null 2>&1 </dev/null
    fi
    wine "$top/build/tidelight.exe" </dev/null >/dev/null 2>&1 &
    program=$!
    sleep 3 # started, fetched, and the first slide under way
    start=$(date +%s.%N)
    mapfile -t before < <(sample)
    sleep "$window"
    mapfile -t after < <(sample)
    end=$(date +%s.%N)
    wine "$top/build/exit_tidelight.exe" </dev/null >/dev/null 2>&1 || true
    wait "$program" 2>/dev/null || true
    python3 - "$subject" "$window" "$(python3 "$top/bench/moves.py" summary "$moves" "$start" "$end")" \
      "${before[@]}" "${after[@]}" >>"$results" <<'PY'
import sys
subject, window, (count, moving) = sys.argv[1], float(sys.argv[2]), sys.argv[3].split()
count, moving = int(count), float(moving)
samples = sys.argv[4:]
half = len(samples) // 2
names = samples[0:half:2]
used = [float(b) - float(a) for a, b in zip(samples[1:half:2], samples[half + 1::2])]
for name, seconds in zip(names, used):
    print(f"{subject}\t{name} % of a core\t{100 * seconds / window}")
if moving > 0:
    print(f"{subject}\tseconds moving\t{moving}")
    print(f"{subject}\tmoves a second moving\t{count / moving}")
    for name, seconds in zip(names, used):
        print(f"{subject}\t{name} % moving\t{100 * seconds / moving}")
PY
  done
  echo "round $round done"
done
report "$results" sliding idle
kill "$monitor" 2>/dev/null || true
bench_stop
