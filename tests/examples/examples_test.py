#!/usr/bin/env python3
"""The examples a new user starts from: the demo recording holds what it promises, each example filter
keeps the promises of its own comment header, and the hum filter really cleans the demo when
tressel-cli applies it. Standard library only, so it runs wherever the tool builds.

usage: examples_test.py TRESSEL_CLI DEMO.wav FILTER_FOLDER
"""

import cmath
import importlib.util
import math
import os
import subprocess
import sys
import tempfile
import unittest
import wave

RATE = 44100
CLI = DEMO = FILTERS = None
GENERATOR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                         "make-demo-recording.py")


def load_generator():
    found = importlib.util.spec_from_file_location("make_demo_recording", GENERATOR)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def read_stereo(path):
    with wave.open(path, "rb") as w:
        raw = w.readframes(w.getnframes())
    samples = memoryview(raw).cast("h")
    return list(samples[0::2]), list(samples[1::2])


def tone_amplitude(samples, frequency):
    """Amplitude of one steady tone under a Hann window (Goertzel), leakage from other tones negligible."""
    n = len(samples)
    coefficient = 2 * math.cos(2 * math.pi * frequency / RATE)
    previous = before = 0.0
    window_sum = 0.0
    for i, x in enumerate(samples):
        w = 0.5 - 0.5 * math.cos(2 * math.pi * i / (n - 1))
        window_sum += w
        previous, before = x * w + coefficient * previous - before, previous
    power = previous * previous + before * before - coefficient * previous * before
    return 2 * math.sqrt(max(power, 0.0)) / window_sum


def read_taps(path):
    """The filter file rules that matter for files we write: ';' comments, one number per line."""
    with open(path, encoding="ascii") as f:
        lines = f.read().splitlines()
    header = [line for line in lines if line.startswith(";")]
    taps = [float(line) for line in lines if line and not line.startswith(";")]
    return header, taps


def response_db(taps, frequency):
    z = cmath.exp(-2j * math.pi * frequency / RATE)
    total = 0j
    for tap in reversed(taps):
        total = total * z + tap
    return 20 * math.log10(max(abs(total), 1e-15))


def spread(low, high, count=24):
    return [low + (high - low) * i / (count - 1) for i in range(count)]


class DemoRecordingTest(unittest.TestCase):
    def test_format_length_and_noise_floor(self):
        with wave.open(DEMO, "rb") as w:
            self.assertEqual((w.getnchannels(), w.getsampwidth(), w.getframerate()), (2, 2, RATE))
            self.assertEqual(w.getnframes(), 10 * RATE)
        left, right = read_stereo(DEMO)
        # Before the first word: hum and hiss only, never silence.
        lead_in = left[: RATE // 4]
        self.assertGreater(max(lead_in), 1000)
        self.assertGreater(len(set(lead_in)), 1000)
        # The hum is what the generator says it is, in both channels.
        generator = load_generator()
        expected = generator.HUM_AMPLITUDE * generator.FULL_SCALE
        for channel in (left, right):
            self.assertAlmostEqual(tone_amplitude(channel, 50) / expected, 1.0, delta=0.02)

    def test_clicks_stand_out_where_the_generator_put_them(self):
        generator = load_generator()
        channels = read_stereo(DEMO)
        for second, which, shape in generator.CLICKS:
            start = int(second * RATE)
            for channel in which:
                got = channels[channel][start:start + len(shape)]
                self.assertEqual(got, [generator.to_sample(v) for v in shape])
                neighbours = channels[channel][start - 40:start] + channels[channel][start + 8:start + 48]
                self.assertGreater(max(abs(v) for v in got), 2 * max(abs(v) for v in neighbours))

    def test_the_portable_sine_matches_the_math_library(self):
        generator = load_generator()
        worst = max(abs(generator.turn(i / 4096) - math.sin(2 * math.pi * i / 4096)) for i in range(4096))
        self.assertLess(worst, 1e-12)


# file: (bands that must be cut: (low Hz, high Hz, at least dB down), bands that must pass: (low, high, dB))
FILTER_PROMISES = {
    "hum-50hz.txt": ([(49, 51, 40)], [(90, 20000, 0.2)]),
    "hum-60hz.txt": ([(58.8, 61.2, 40)], [(108, 20000, 0.2)]),
    "rumble-80hz.txt": ([(0, 30, 40)], [(80, 20000, 0.3)]),
    "lowpass-4khz.txt": ([(4200, 22050, 60)], [(0, 3800, 0.1)]),
    "telephone-300-3400hz.txt": ([(0, 150, 50), (3550, 22050, 50)], [(300, 3400, 0.1)]),
}


class ExampleFilterTest(unittest.TestCase):
    def test_every_file_keeps_the_promises_of_its_header(self):
        names = sorted(n for n in os.listdir(FILTERS) if n.endswith(".txt"))
        self.assertEqual(names, sorted(FILTER_PROMISES))
        for name, (cuts, passes) in FILTER_PROMISES.items():
            with self.subTest(filter=name):
                header, taps = read_taps(os.path.join(FILTERS, name))
                text = " ".join(header)
                self.assertIn(f"sampling rate of {RATE} Hz", text)
                self.assertIn("scipy.signal.", text)
                # "Display Filter" transforms 2048 taps; a longer filter would not be shown whole.
                self.assertTrue(3 <= len(taps) <= 2048)
                self.assertEqual(taps, taps[::-1], "linear phase, as the headers say")
                for low, high, depth in cuts:
                    worst = max(response_db(taps, f) for f in spread(low, high))
                    self.assertLessEqual(worst, -depth, f"{low}-{high} Hz")
                for low, high, ripple in passes:
                    worst = max(abs(response_db(taps, f)) for f in spread(low, high))
                    self.assertLessEqual(worst, ripple, f"{low}-{high} Hz")


class HumFilterOnDemoTest(unittest.TestCase):
    def test_the_hum_goes_and_the_voice_stays(self):
        with tempfile.TemporaryDirectory() as work:
            cleaned = os.path.join(work, "cleaned.wav")
            subprocess.run([CLI, "fir", os.path.join(FILTERS, "hum-50hz.txt"), DEMO, cleaned], check=True)
            before, after = read_stereo(DEMO), read_stereo(cleaned)
            for channel in (0, 1):
                drop = tone_amplitude(after[channel], 50) / tone_amplitude(before[channel], 50)
                self.assertLess(drop, 0.01, f"channel {channel + 1}: 50 Hz kept {drop:.4f} of its amplitude")
            voice_before, voice_after = self.voice_band_energy(DEMO), self.voice_band_energy(cleaned)
            for channel in (0, 1):
                self.assertGreater(voice_after[channel] / voice_before[channel], 0.9)

    @staticmethod
    def voice_band_energy(path):
        """Energy from 300 to 3400 Hz per channel, from the spectrum that "Display Audio" plots."""
        lines = subprocess.run([CLI, "spectrum", path], check=True, capture_output=True, text=True).stdout
        energy = [0.0, 0.0]
        for line in lines.splitlines():
            k, c1, c2 = line.split()
            if 300 <= int(k) * RATE / 2048 <= 3400:
                energy[0] += float(c1) ** 2
                energy[1] += float(c2) ** 2
        return energy


if __name__ == "__main__":
    if len(sys.argv) != 4:
        raise SystemExit(__doc__.strip().splitlines()[-1])
    CLI, DEMO, FILTERS = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
