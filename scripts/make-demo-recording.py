#!/usr/bin/env python3
"""Writes Tressel's demo recording: about ten seconds of speech-like tones with 50 Hz mains hum, hiss and
a few clicks, so that a new user has something to filter without hunting for a WAV file first.

The recording is built at build time rather than stored, and it must come out byte for byte the same on
every machine and every Python 3: it uses only integer arithmetic and the IEEE-754 double operations
+ - * / and sqrt, which are exactly rounded everywhere. Sines come from a fixed polynomial, not from the
math library (whose last bits differ between platforms), and noise from our own 32-bit generator with a
fixed seed. Every value is rounded to the nearest integer (halves away from zero) once, at the end.

usage: make-demo-recording.py OUT.wav
"""

import math
import struct
import sys

RATE = 44100
SECONDS = 10
FRAMES = RATE * SECONDS
FULL_SCALE = 32767

# One period of every table: harmonic k of the table is read at index (k * i) mod TABLE exactly.
TABLE = 2048
PI = 3.141592653589793

# Levels as fractions of full scale.
VOICE_PEAK = 0.42
HUM_AMPLITUDE = 0.05      # about -29 dBFS RMS: plainly audible under the voice and in every pause
HISS_AMPLITUDE = 0.012    # uniform noise, about -43 dBFS RMS per channel
FRICATIVE_AMPLITUDE = 0.05
HUM_HZ = 50

# The voice sits a little to the left: channel 2 carries it at this share.
RIGHT_VOICE_SHARE = 0.8

# Vowels by their first three formants in Hz (averages of adult speakers) and bandwidths in Hz.
VOWELS = {
    "a": (730, 1090, 2440),
    "e": (530, 1840, 2480),
    "i": (270, 2290, 3010),
    "o": (570, 840, 2410),
    "u": (300, 870, 2240),
}
BANDWIDTHS = (90, 110, 170)

# Words as (vowel, fricative onset?) syllables; phrases are separated by longer pauses.
PHRASES = [
    [[("a", True), ("o", False)], [("e", False)], [("i", True), ("a", False), ("u", False)]],
    [[("o", False), ("e", True)], [("u", True), ("a", False)], [("e", False), ("i", False)]],
    [[("i", True)], [("a", False), ("e", True), ("o", False)], [("u", False), ("a", True)]],
    [[("e", True), ("o", False)], [("a", False), ("i", True)]],
]

# Clicks as (second, channels, shape): a scratch or a dropout leaves a spike a few samples wide.
CLICKS = [
    (0.62, (0, 1), (0.85, -0.55, 0.25)),
    (2.41, (0,), (-0.9, 0.6)),
    (4.87, (0, 1), (0.7, 0.95, -0.4)),
    (7.15, (1,), (-0.8, -0.45, 0.2)),
    (9.33, (0, 1), (0.9, -0.7)),
]


class Noise:
    """xorshift32: the same stream from the same seed in any language with 32-bit unsigned integers."""

    def __init__(self, seed):
        self.state = seed

    def next_u32(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x

    def uniform(self):
        """A value in [-1, 1) from the top 24 bits, exact in a double."""
        return (self.next_u32() >> 8) / 8388608.0 - 1.0

    def between(self, low, high):
        return low + (high - low) * (self.next_u32() >> 8) / 16777216.0


def sine(x):
    """sin(x) for x in [-pi, pi] by an odd polynomial (Taylor to x^19), error below 1e-12."""
    if x > PI / 2:
        x = PI - x
    elif x < -PI / 2:
        x = -PI - x
    x2 = x * x
    term = x
    total = x
    for n in range(1, 10):
        term = -term * x2 / ((2 * n) * (2 * n + 1))
        total += term
    return total


def turn(fraction):
    """sin(2 pi fraction) for fraction in [0, 1)."""
    x = 2 * PI * fraction
    return sine(x if x <= PI else x - 2 * PI)


def resonance(f, formant, bandwidth):
    """Magnitude of a two-pole resonator at frequency f, 1 at 0 Hz: how a formant shapes a harmonic."""
    ratio = f / formant
    re = 1.0 - ratio * ratio
    im = f * bandwidth / (formant * formant)
    return 1.0 / math.sqrt(re * re + im * im)


def vowel_table(sines, vowel, f0):
    """One period of a voiced vowel at pitch f0: harmonics falling 6 dB per octave, shaped by formants."""
    formants = VOWELS[vowel]
    amplitudes = []
    k = 1
    while k * f0 < 5000:
        f = k * f0
        gain = 1.0 / k
        for formant, bandwidth in zip(formants, BANDWIDTHS):
            gain *= resonance(f, formant, bandwidth)
        amplitudes.append(gain)
        k += 1
    table = []
    for i in range(TABLE):
        value = 0.0
        for k, gain in enumerate(amplitudes, start=1):
            value += gain * sines[(k * i) % TABLE]
        table.append(value)
    peak = max(abs(v) for v in table)
    return [v / peak for v in table]


def envelope(position, length, attack, release):
    """Raised-cosine rise and fall at the ends of a syllable, flat between."""
    if position < attack:
        return 0.5 - 0.5 * cosine_of_fraction(position / attack)
    if position >= length - release:
        return 0.5 - 0.5 * cosine_of_fraction((length - position) / release)
    return 1.0


def cosine_of_fraction(fraction):
    """cos(pi * fraction) for fraction in [0, 1]."""
    return sine(PI / 2 - PI * fraction)


def add_voice(mix, noise):
    """Speaks the phrases into mix (one list of floats, the voice before panning)."""
    sines = [turn(i / TABLE) for i in range(TABLE)]
    tables = {}
    t = int(0.35 * RATE)
    for phrase_index, phrase in enumerate(PHRASES):
        # Each phrase starts higher and falls, as statements do.
        pitch = 150.0 - 8.0 * phrase_index
        syllable_count = sum(len(word) for word in phrase)
        syllable_index = 0
        for word in phrase:
            for vowel, fricative in word:
                if fricative:
                    t = add_fricative(mix, noise, t)
                f0 = pitch * (1.0 - 0.22 * syllable_index / syllable_count)
                f0 = float(int(f0 / 4.0 + 0.5) * 4)  # tables shared by pitches within 2 Hz
                key = (vowel, f0)
                if key not in tables:
                    tables[key] = vowel_table(sines, vowel, f0)
                length = int(noise.between(0.16, 0.28) * RATE)
                stress = noise.between(0.7, 1.0)
                glide = noise.between(-0.08, 0.06)
                render_syllable(mix, tables[key], t, length, f0, glide, stress)
                t += length + int(noise.between(0.02, 0.05) * RATE)
                syllable_index += 1
            t += int(noise.between(0.06, 0.12) * RATE)
        t += int(noise.between(0.35, 0.5) * RATE)
    if t >= FRAMES:
        raise SystemExit("the phrases do not fit into the recording")


def render_syllable(mix, table, start, length, f0, glide, stress):
    phase = 0.0
    attack, release = int(0.025 * RATE), int(0.06 * RATE)
    for n in range(length):
        pitch = f0 * (1.0 + glide * n / length)
        index = int(phase)
        fraction = phase - index
        a = table[index]
        b = table[(index + 1) % TABLE]
        sample = a + (b - a) * fraction
        mix[start + n] += VOICE_PEAK * stress * envelope(n, length, attack, release) * sample
        phase += pitch * TABLE / RATE
        if phase >= TABLE:
            phase -= TABLE


def add_fricative(mix, noise, start):
    """A short hiss like "s" or "f": noise through a second difference, which keeps its high part."""
    length = int(noise.between(0.05, 0.09) * RATE)
    attack = release = int(0.015 * RATE)
    previous = current = 0.0
    for n in range(length):
        value = noise.uniform()
        high = value - 2.0 * current + previous
        previous, current = current, value
        mix[start + n] += FRICATIVE_AMPLITUDE * envelope(n, length, attack, release) * high
    return start + length + int(0.01 * RATE)


def to_sample(value):
    scaled = value * FULL_SCALE
    rounded = int(scaled + 0.5) if scaled >= 0 else -int(-scaled + 0.5)
    return max(-32768, min(32767, rounded))


def render():
    noise = Noise(0x7E55E1)
    voice = [0.0] * FRAMES
    add_voice(voice, noise)
    period = RATE // HUM_HZ  # 882 samples: the hum repeats exactly
    hum = [HUM_AMPLITUDE * turn(i / period) for i in range(period)]
    left = []
    right = []
    for n in range(FRAMES):
        h = hum[n % period]
        left.append(voice[n] + h + HISS_AMPLITUDE * noise.uniform())
        right.append(RIGHT_VOICE_SHARE * voice[n] + h + HISS_AMPLITUDE * noise.uniform())
    channels = (left, right)
    for second, which, shape in CLICKS:
        start = int(second * RATE)
        for channel in which:
            for offset, value in enumerate(shape):
                channels[channel][start + offset] = value
    return left, right


def wave_file(left, right):
    data = bytearray()
    for l, r in zip(left, right):
        data += struct.pack("<hh", to_sample(l), to_sample(r))
    header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " + struct.pack(
        "<IHHIIHH", 16, 1, 2, RATE, RATE * 4, 4, 16) + b"data" + struct.pack("<I", len(data))
    return header + bytes(data)


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__.strip().splitlines()[-1])
    left, right = render()
    with open(sys.argv[1], "wb") as out:
        out.write(wave_file(left, right))


if __name__ == "__main__":
    main()
