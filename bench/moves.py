"""Times the panel's moves, as the X server sees them, for the slide benchmark.

record FILE: reads `xev -root -event substructure` on standard input and
appends "seconds x" to FILE (seconds since the epoch) for each change of
position of a window as wide as the panel.

summary FILE START END: prints the moves between START and END and the
seconds spent moving then: a run of moves less than a tenth of a second
apart counts from its first move to its last, plus one step."""

import re
import statistics
import sys
import time

PANEL_WIDTH = 300
# xev writes a ConfigureNotify over three lines; the second holds these.
GEOMETRY = re.compile(r"window (0x[0-9a-f]+), \((-?\d+),(-?\d+)\), width (\d+), height (\d+)")
RUN_GAP = 0.1


def record(path):
    last = {}
    with open(path, "a") as out:
        for line in sys.stdin:
            match = GEOMETRY.search(line)
            if not match or int(match.group(4)) != PANEL_WIDTH:
                continue
            window, x = match.group(1), int(match.group(2))
            if last.get(window) != x:
                last[window] = x
                out.write(f"{time.time():.6f} {x}\n")
                out.flush()


def summary(path, start, end):
    times = [float(line.split()[0]) for line in open(path) if line.strip()]
    times = [t for t in times if start <= t <= end]
    gaps = [b - a for a, b in zip(times, times[1:])]
    steps = [gap for gap in gaps if gap < RUN_GAP]
    step = statistics.median(steps) if steps else 0.0
    runs = 1 + sum(1 for gap in gaps if gap >= RUN_GAP) if times else 0
    moving = min(sum(steps) + runs * step, end - start)
    print(f"{len(times)} {moving:.3f}")


if __name__ == "__main__":
    if sys.argv[1] == "record":
        record(sys.argv[2])
    else:
        summary(sys.argv[2], float(sys.argv[3]), float(sys.argv[4]))
