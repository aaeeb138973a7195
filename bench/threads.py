#!/usr/bin/env python3
"""CPU time, wake-ups and resident memory of running programs over one window, all measured side by side.

    threads.py <prefix> <seconds> <name>=<pid> [<name>=<pid>...]

Prints "<prefix>_cpu_<name> <seconds of CPU>", "<prefix>_wakeups_per_s_<name> <n>" and
"<prefix>_rss_<name> <MiB>". CPU and wake-ups are summed per thread over the threads alive at both ends of the
window (a thread's counters only grow, so no figure can go negative); a program whose threads come and go within
the window is undercounted, never overcounted."""
import os
import sys
import time


def snapshot(pid):
    threads = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                runtime_ns = int(f.read().split()[0])
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                switches = next(int(line.split()[1]) for line in f if line.startswith("voluntary_ctxt_switches"))
            threads[tid] = (runtime_ns, switches)
        except (OSError, StopIteration, ValueError):
            pass  # the thread ended while being read
    return threads


def rss_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("VmRSS")) / 1024.0


def main():
    prefix, seconds = sys.argv[1], float(sys.argv[2])
    programs = dict(arg.split("=", 1) for arg in sys.argv[3:])
    before = {}
    for name, pid in programs.items():
        try:
            before[name] = snapshot(pid)
        except OSError:
            print(f"{name}: not running at the start of the window", file=sys.stderr)
    time.sleep(seconds)
    for name, start in before.items():
        pid = programs[name]
        try:
            end, rss = snapshot(pid), rss_mib(pid)
        except OSError:
            print(f"{name}: ended within the window", file=sys.stderr)
            continue
        both = start.keys() & end.keys()
        cpu = sum(end[t][0] - start[t][0] for t in both) / 1e9
        wakeups = sum(end[t][1] - start[t][1] for t in both) / seconds
        print(f"{prefix}_cpu_{name} {cpu:.3f}")
        print(f"{prefix}_wakeups_per_s_{name} {wakeups:.2f}")
        print(f"{prefix}_rss_{name} {rss:.1f}")


main()
