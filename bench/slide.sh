# The slide benchmark: sourced by bench/run. The program's CPU while
# headlines slide in and out one after another, beside the same program
# with nothing to show over the same time.
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
server=$(wineserver_pid)
key='HKEY_CURRENT_USER\SOFTWARE\tidelight'
channel="$key\\Channels\\http://127.0.0.1:$port/feed.xml"
for value in checkForUpdates helpActive; do
  wine reg add "$key" /v $value /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
done
wine reg add "$key" /v panelDisplayInterval /t REG_DWORD /d 1 /f >/dev/null 2>&1 </dev/null
wine reg add "$key" /v panelDisplayTime /t REG_DWORD /d 1 /f >/dev/null 2>&1 </dev/null
wine reg delete "$key\\Downloads" /f >/dev/null 2>&1 </dev/null || true

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
    program_before=$(cpu_seconds "$program"); server_before=$(cpu_seconds "$server")
    sleep "$window"
    program_after=$(cpu_seconds "$program"); server_after=$(cpu_seconds "$server")
    wine "$top/build/exit_tidelight.exe" </dev/null >/dev/null 2>&1 || true
    wait "$program" 2>/dev/null || true
    printf '%s\tprogram %% of a core\t%s\n' "$subject" \
      "$(python3 -c "print(100 * ($program_after - $program_before) / $window)")" >>"$results"
    printf '%s\twineserver %% of a core\t%s\n' "$subject" \
      "$(python3 -c "print(100 * ($server_after - $server_before) / $window)")" >>"$results"
  done
  echo "round $round done"
done
report "$results" sliding idle
bench_stop
