#!/usr/bin/python3
"""Times a command that reads its standard input from a file, which hyperfine
1.15 cannot give it: python3 time_stdin.py RUNS INPUT COMMAND [ARG ...]
prints {"median": seconds} of RUNS runs after 2 warm-up runs, its standard
output thrown away."""
import json
import os
import statistics
import sys
import time


def main():
    runs, given = int(sys.argv[1]), sys.argv[2]
    command = sys.argv[3:]
    times = []
    for i in range(runs + 2):
        source = os.open(given, os.O_RDONLY)
        sink = os.open(os.devnull, os.O_WRONLY)
        start = time.monotonic()
        pid = os.posix_spawn(command[0], command, os.environ,
                             file_actions=[(os.POSIX_SPAWN_DUP2, source, 0), (os.POSIX_SPAWN_DUP2, sink, 1)])
        _, status = os.waitpid(pid, 0)
        elapsed = time.monotonic() - start
        os.close(source)
        os.close(sink)
        if status != 0:
            sys.exit("%s ended with status %d" % (command[0], status))
        if i >= 2:
            times.append(elapsed)
    print(json.dumps({"median": statistics.median(times)}))


main()
