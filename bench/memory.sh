# The memory benchmark: sourced by bench/run. tidelight with 200 channels
# polled every minute whose feeds change every minute and bring 20 new
# headlines a minute between them (about what the panel shows in a minute),
# its private memory read every minute. One round: it takes ten minutes
# (three with --quick).
minutes=$([ "$quick" = 1 ] && echo 3 || echo 10)
port=47395
bench_start python3 "$top/bench/feeds.py" "$port"

echo "== memory: 200 changing channels polled every minute, private MiB each minute for $minutes minutes"
seq 1 200 | sed "s|^|http://127.0.0.1:$port/changing.xml?c=|" | set_channels 1
start_tidelight
sleep 60 # every channel fetched once, its first items queued
first=$(private_mib "$program")
printf 'minute %2d  %8.2f MiB  %3d threads\n' 1 "$first" "$(threads "$program")"
for minute in $(seq 2 "$minutes"); do
  sleep 60
  printf 'minute %2d  %8.2f MiB  %3d threads\n' "$minute" "$(private_mib "$program")" "$(threads "$program")"
done
last=$(private_mib "$program")
echo "growth from minute 1 to minute $minutes: $(python3 -c "print(f'{$last - $first:+.2f}')") MiB"
stop_tidelight
bench_stop
