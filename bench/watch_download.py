"""Watches a download the program makes: from its first byte to its last,
the rate in MB/s and the CPU seconds the program and wineserver spent."""

import os
import sys
import time


def cpu(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def size(path):
    try:
        return os.stat(path).st_size
    except OSError:
        return 0


def main(path, total, program, server, timeout):
    total, timeout = int(total), float(timeout)
    deadline = time.monotonic() + timeout
    while size(path) == 0:
        if time.monotonic() > deadline:
            sys.exit("the download never began")
        time.sleep(0.005)
    start, first = time.monotonic(), size(path)
    cpu_program, cpu_server = cpu(program), cpu(server)
    while size(path) < total:
        if time.monotonic() > deadline:
            sys.exit(f"the download stopped at {size(path)} of {total} bytes")
        time.sleep(0.005)
    elapsed = time.monotonic() - start
    megabytes = (total - first) / 1e6
    print(f"{megabytes / elapsed:.3f} {cpu(program) - cpu_program:.3f} {cpu(server) - cpu_server:.3f} {elapsed:.3f}")


if __name__ == "__main__":
    main(*sys.argv[1:6])
