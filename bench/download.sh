# The download benchmark: sourced by bench/run.
megabytes=$([ "$quick" = 1 ] && echo 100 || echo 400)
www="$work/www"
mkdir -p "$www" "$work/nginx/tmp"
file="$www/bench.bin"
if [ ! -f "$file" ] || [ "$(stat -c %s "$file")" -ne $((megabytes * 1024 * 1024)) ]; then
  head -c $((megabytes * 1024 * 1024)) /dev/urandom >"$file"
fi
total=$(stat -c %s "$file")

port=47390
cat >"$work/nginx/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
  client_body_temp_path $work/nginx/tmp;
  proxy_temp_path $work/nginx/tmp;
  fastcgi_temp_path $work/nginx/tmp;
  uwsgi_temp_path $work/nginx/tmp;
  scgi_temp_path $work/nginx/tmp;
  types { application/octet-stream bin; }
  server { listen 127.0.0.1:$port; root $www; }
}
CONF
bench_start /usr/sbin/nginx -c "$work/nginx/nginx.conf" -p "$work/nginx"
url="http://127.0.0.1:$port/bench.bin"
for _ in $(seq 1 100); do curl -s -o /dev/null "$url" --max-filesize 1 2>/dev/null && break; curl -s -I "$url" >/dev/null && break; sleep 0.1; done

server=$(wineserver_pid)
downloads="$top/build/Downloads"
key='HKEY_CURRENT_USER\SOFTWARE\tidelight'
wine reg add "$key" /v checkForUpdates /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
wine reg add "$key" /v helpActive /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null

results="$work/download.tsv"
: >"$results"
echo "== download: $((total / 1024 / 1024)) MB from nginx on 127.0.0.1, $rounds rounds in turns"
for round in $(seq 1 "$rounds"); do
  # curl first, then the program, each from the same warm file.
  TIMEFORMAT='%R %U %S'
  timing=$( { time curl -s -o /dev/null "$url"; } 2>&1 )
  read -r wall user system <<<"$timing"
  printf 'curl\tMB/s\t%s\n' "$(python3 -c "print($total / 1e6 / $wall)")" >>"$results"
  printf 'curl\tCPU s (client)\t%s\n' "$(python3 -c "print($user + $system)")" >>"$results"
  printf 'curl\tCPU s (wineserver)\t0\n' >>"$results"

  rm -f "$downloads/bench.bin"
  wine reg delete "$key\\Downloads" /f >/dev/null 2>&1 </dev/null || true
  wine reg add "$key\\Downloads\\$url" /f >/dev/null 2>&1 </dev/null
  wine "$top/build/tidelight.exe" </dev/null >/dev/null 2>&1 &
  program=$!
  read -r rate cpu_program cpu_server _ < <(python3 "$top/bench/watch_download.py" \
    "$downloads/bench.bin" "$total" "$program" "$server" 600)
  wine "$top/build/exit_tidelight.exe" </dev/null >/dev/null 2>&1 || true
  wait "$program" 2>/dev/null || true
  cmp -s "$file" "$downloads/bench.bin" || { echo "round $round: the downloaded file differs" >&2; exit 1; }
  printf 'tidelight\tMB/s\t%s\n' "$rate" >>"$results"
  printf 'tidelight\tCPU s (client)\t%s\n' "$cpu_program" >>"$results"
  printf 'tidelight\tCPU s (wineserver)\t%s\n' "$cpu_server" >>"$results"
  echo "round $round: curl $(tail -n 6 "$results" | head -n 1 | cut -f3) MB/s, tidelight $rate MB/s"
done
rm -f "$downloads/bench.bin"
wine reg delete "$key\\Downloads" /f >/dev/null 2>&1 </dev/null || true
report "$results" tidelight curl
bench_stop
