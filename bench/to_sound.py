#!/usr/bin/env python3
"""Milliseconds from an event until sound reaches a PulseAudio sink, heard on the sink's monitor.

    to_sound.py <sink> [--after-line TEXT] [--timeout S] -- <command> [args...]

The monitor is recorded first; once it streams, the command starts. The clock starts as the command starts, or
when it prints TEXT on a line of its standard output (a drag helper saying it let go). Prints the figure, or
"nan" when no sound came within the timeout, and then ends the command."""
import os
import signal
import subprocess
import sys
import time

THRESHOLD = 300
CHUNK = 441 * 2  # 10 ms of mono 16-bit samples at 44.1 kHz


def main():
    args = sys.argv[1:]
    split = args.index("--")
    options, command = args[:split], args[split + 1:]
    sink = options[0]
    after_line = options[options.index("--after-line") + 1] if "--after-line" in options else None
    timeout = float(options[options.index("--timeout") + 1]) if "--timeout" in options else 15.0

    recorder = subprocess.Popen(["parec", "-d", sink + ".monitor", "--raw", "--format=s16le", "--channels=1",
                                 "--rate=44100", "--latency-msec=5"], stdout=subprocess.PIPE)
    os.read(recorder.stdout.fileno(), CHUNK)  # streaming now
    program = subprocess.Popen(command, stdout=subprocess.PIPE if after_line else subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True)
    start = time.monotonic()
    if after_line:
        for line in program.stdout:
            if after_line in line.decode(errors="replace"):
                start = time.monotonic()
                break
    result = "nan"
    while time.monotonic() - start < timeout:
        data = os.read(recorder.stdout.fileno(), CHUNK)
        if not data:
            break
        samples = memoryview(data[: len(data) // 2 * 2]).cast("h")
        if any(abs(s) > THRESHOLD for s in samples):
            result = f"{(time.monotonic() - start) * 1000.0:.1f}"
            break
    print(result, flush=True)
    for process in (program, recorder):
        try:
            os.killpg(program.pid, signal.SIGTERM) if process is program else process.terminate()
            process.wait(timeout=5)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            process.kill()


main()
