# The feed-path benchmark: sourced by bench/run. Built natively without
# sanitizers in a folder of its own, and run as it is built for Windows under
# Wine as well.
echo "== feed path: parse + walk beside a bare TinyXML parse, $rounds rounds in turns"
native="$top/build-bench"
if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$native" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTIDELIGHT_FUZZ=OFF >/dev/null
fi
cmake --build "$native" --target feed_path_bench >/dev/null
"$native/feed_path_bench" "$rounds" >"$work/feed-native.tsv"
echo "-- natively"
report "$work/feed-native.tsv" tidelight tinyxml
"$top/scripts/build" --target feed_path_bench >/dev/null
bench_start
wine "$top/build/feed_path_bench.exe" "$rounds" </dev/null 2>/dev/null | tr -d '\r' >"$work/feed-wine.tsv"
bench_stop
echo "-- under Wine"
report "$work/feed-wine.tsv" tidelight tinyxml
