#!/usr/bin/env python3
"""Generates Korvane's two alarm sounds into sounds/ (16-bit PCM, mono, 44100 Hz).

Alarm1.wav: the questionable-processes dialog is about to open. A soft two-note
chime that asks for attention without alarming.
Alarm2.wav: the tamper alarm, played once a second until the log is opened. Four
hard, alternating beeps, clearly unlike the chime and short enough (well under a
second) to fit the alarm's one-second period with room to spare.

The output is deterministic: running the script again rewrites the same bytes.
Only the standard library is used.
"""

import math
import struct
import wave
from pathlib import Path

RATE = 44100
OUT = Path(__file__).resolve().parent / "sounds"


def silence(seconds):
    return [0.0] * round(seconds * RATE)


def mix_into(track, start, samples):
    """Adds samples into track from the given second, growing the track as needed."""
    offset = round(start * RATE)
    if len(track) < offset + len(samples):
        track.extend([0.0] * (offset + len(samples) - len(track)))
    for i, value in enumerate(samples):
        track[offset + i] += value


def bell(frequency, seconds, decay):
    """A struck-bell note: a few partials fading exponentially after a 4 ms strike."""
    partials = ((1.0, 1.0), (2.0, 0.35), (3.0, 0.12), (4.2, 0.05))
    attack = 0.004 * RATE
    out = []
    for n in range(round(seconds * RATE)):
        t = n / RATE
        envelope = min(1.0, n / attack) * math.exp(-t / decay)
        value = sum(level * math.sin(2 * math.pi * frequency * ratio * t) for ratio, level in partials)
        out.append(envelope * value / 1.52)
    # The last 20 ms fade to zero so the file ends without a click.
    tail = round(0.020 * RATE)
    for i in range(tail):
        out[-tail + i] *= 1.0 - (i + 1) / tail
    return out


def beep(frequency, seconds):
    """A buzzer-like beep: odd harmonics of a square wave, with 3 ms edges against clicks."""
    edge = 0.003 * RATE
    length = round(seconds * RATE)
    out = []
    for n in range(length):
        t = n / RATE
        envelope = min(1.0, n / edge, (length - 1 - n) / edge)
        value = sum(math.sin(2 * math.pi * frequency * k * t) / k for k in (1, 3, 5, 7))
        out.append(envelope * value / 1.2)
    return out


def write(name, track, peak):
    """Scales the track to the given peak (a fraction of full scale) and writes it."""
    loudest = max(abs(v) for v in track)
    frames = b"".join(struct.pack("<h", round(v / loudest * peak * 32767)) for v in track)
    with wave.open(str(OUT / name), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


def alarm1():
    track = silence(0.0)
    mix_into(track, 0.00, bell(784.0, 0.55, 0.16))   # G5
    mix_into(track, 0.17, bell(1046.5, 0.75, 0.22))  # C6
    return track


def alarm2():
    track = silence(0.0)
    for i, frequency in enumerate((1480.0, 988.0, 1480.0, 988.0)):
        mix_into(track, i * 0.13, beep(frequency, 0.10))
    return track + silence(0.02)


def main():
    OUT.mkdir(exist_ok=True)
    write("Alarm1.wav", alarm1(), 0.60)
    write("Alarm2.wav", alarm2(), 0.70)


if __name__ == "__main__":
    main()
