#!/usr/bin/python3
"""Regenerates the example filter files in examples/filters/ with SciPy (Debian's python3-scipy, hence the
Debian interpreter above). The files are committed; this script is how they were made, so a reader can
check a design or add another filter by adding an entry to FILTERS.

usage: scripts/make-example-filters.py [FOLDER]     (default: examples/filters/ of this repository)
"""

import os
import sys

import numpy as np
from scipy import signal

RATE = 44100
NYQUIST = RATE / 2


def least_squares(taps, edges, gains, weights):
    return signal.firls(taps, edges, gains, weight=weights, fs=RATE)


def kaiser_lowpass(attenuation_db, cutoff, transition):
    taps, beta = signal.kaiserord(attenuation_db, transition / NYQUIST)
    taps |= 1  # odd: a whole-sample delay and a symmetric filter
    return signal.firwin(taps, cutoff, window=("kaiser", beta), fs=RATE), beta


def kaiser_bandpass(attenuation_db, low, high, transition):
    taps, beta = signal.kaiserord(attenuation_db, transition / NYQUIST)
    taps |= 1
    return signal.firwin(taps, [low, high], pass_zero=False, window=("kaiser", beta), fs=RATE), beta


def hum_notch(mains_hz):
    """A narrow least-squares notch at the mains frequency, flat from 1.8 times it upwards."""
    edges = [0, 0.4 * mains_hz, 0.96 * mains_hz, 1.04 * mains_hz, 1.8 * mains_hz, NYQUIST]
    taps = least_squares(2047, edges, [1, 1, 0, 0, 1, 1], [1, 10, 1])
    low, high = 0.98 * mains_hz, 1.02 * mains_hz
    return taps, [
        f"Removes {mains_hz} Hz mains hum with a narrow notch: at least 40 dB down from {low:g} to {high:g} Hz,",
        f"flat within 0.2 dB from {1.8 * mains_hz:g} Hz upwards, so voices and most music keep their sound.",
        f"Harmonics of the hum ({2 * mains_hz} Hz, {3 * mains_hz} Hz, ...) pass unchanged.",
    ], [
        f"Linear-phase FIR, 2047 taps, least-squares fit (scipy.signal.firls) to gain 1 below",
        f"{edges[1]:g} Hz, 0 from {edges[2]:g} to {edges[3]:g} Hz (weight 10) and 1 from {edges[4]:g} Hz to {NYQUIST:g} Hz.",
    ]


def rumble_highpass():
    edges = [0, 30, 80, NYQUIST]
    taps = least_squares(2047, edges, [0, 0, 1, 1], [10, 1])
    return taps, [
        "Removes rumble below 80 Hz (footsteps, handling noise, wind, turntable rumble) with a",
        "high-pass: at least 40 dB down below 30 Hz, half the amplitude (-6 dB) near 58 Hz and flat",
        "within 0.3 dB from 80 Hz upwards.",
    ], [
        "Linear-phase FIR, 2047 taps, least-squares fit (scipy.signal.firls) to gain 0 below 30 Hz",
        f"(weight 10) and 1 from 80 Hz to {NYQUIST:g} Hz.",
    ]


def lowpass_4k():
    taps, beta = kaiser_lowpass(60, 4000, 400)
    return taps, [
        "Keeps everything below 4 kHz and removes what lies above: hiss, sibilance, crackle. Flat",
        "within 0.1 dB up to 3800 Hz, -6 dB at 4000 Hz and at least 60 dB down from 4200 Hz upwards.",
    ], [
        f"Linear-phase FIR, {len(taps)} taps, windowed sinc (scipy.signal.firwin) with cutoff 4000 Hz and a",
        f"Kaiser window (beta {beta:.3f}) chosen by scipy.signal.kaiserord for 60 dB and a 400 Hz transition.",
    ]


def telephone_bandpass():
    taps, beta = kaiser_bandpass(55, 225, 3475, 150)
    return taps, [
        "Sounds like a telephone line: keeps the band from 300 to 3400 Hz (flat within 0.1 dB) and",
        "removes at least 50 dB below 150 Hz and above 3550 Hz.",
    ], [
        f"Linear-phase FIR, {len(taps)} taps, windowed sinc band-pass (scipy.signal.firwin) with edges 225 and",
        f"3475 Hz and a Kaiser window (beta {beta:.3f}) chosen by scipy.signal.kaiserord for 55 dB and a",
        "150 Hz transition.",
    ]


FILTERS = {
    "hum-50hz.txt": ("50 Hz hum removal", lambda: hum_notch(50)),
    "hum-60hz.txt": ("60 Hz hum removal", lambda: hum_notch(60)),
    "rumble-80hz.txt": ("80 Hz rumble high-pass", rumble_highpass),
    "lowpass-4khz.txt": ("4 kHz low-pass", lowpass_4k),
    "telephone-300-3400hz.txt": ("300-3400 Hz telephone band-pass", telephone_bandpass),
}


def header(title, taps, purpose, design):
    delay = (len(taps) - 1) // 2
    lines = [f"Tressel example filter: {title}", ""] + purpose + [
        "",
        f"Designed for a sampling rate of {RATE} Hz (the demo recording's). At another rate every",
        f"frequency named here moves in proportion: {48000 / RATE - 1:.1%} higher at 48000 Hz, half at 22050 Hz.",
        "",
    ] + design + [
        f"The output is delayed by {delay} samples ({1000 * delay / RATE:.1f} ms) and has no other phase change.",
        "Made by scripts/make-example-filters.py; one tap per line follows.",
    ]
    return "".join(f"; {line}\n" if line else ";\n" for line in lines)


def write(folder, name, title, design):
    taps, purpose, method = design()
    # Seventeen significant digits give back the exact double, and no line is ever short enough
    # (three characters or fewer) to be skipped as empty.
    body = "".join(f"{tap:.16e}\n" for tap in taps)
    with open(os.path.join(folder, name), "w", encoding="ascii", newline="\n") as out:
        out.write(header(title, taps, purpose, method) + body)
    print(f"{name}: {len(taps)} taps, gain {np.sum(taps):.6f}")


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "examples", "filters")
    for name, (title, design) in FILTERS.items():
        write(folder, name, title, design)


if __name__ == "__main__":
    main()
