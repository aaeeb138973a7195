#!/usr/bin/env python3
"""Longest silence inside a recording: raw signed 16-bit mono samples at 44.1 kHz (parec --format=s16le
--channels=1), read from the file named or standard input. Silence is a run of samples no louder than the
threshold, between the first and the last loud one, so the quiet before the first song and after the last one do
not count. Prints milliseconds; "nan" when the recording holds no sound."""
import array
import sys

RATE = 44100
THRESHOLD = 200  # a sine at -30 dBFS stays well above this between its zero crossings

data = array.array("h")
with open(sys.argv[1], "rb") if len(sys.argv) > 1 else sys.stdin.buffer as f:
    raw = f.read()
data.frombytes(raw[: len(raw) // 2 * 2])
loud = [i for i in range(len(data)) if abs(data[i]) > THRESHOLD]
if not loud:
    print("nan")
    sys.exit(0)
longest = 0
previous = loud[0]
for i in loud[1:]:
    longest = max(longest, i - previous - 1)
    previous = i
print(f"{longest * 1000.0 / RATE:.1f}")
