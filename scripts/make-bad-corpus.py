#!/usr/bin/env python3
"""Writes the bad-file corpus (tests/data/bad/ with its MANIFEST) and the fuzz seed corpora (fuzz/corpus/).

WAV and filter cases are built byte by byte here. MPEG material comes from the Debian tools sox (a tone),
lame (Layer III, without the Xing/Info frame) and twolame (Layer II); the damaged variants are edits of
those streams made below. The outputs are committed, so the tests do not need the tools; run this again
only to change the corpus:  python3 scripts/make-bad-corpus.py

MANIFEST lines:  FILE KIND EXPECTED
  KIND wav       a file picked for "Load Audio" as WAV; EXPECTED is  ok CHANNELS RATE BITS DATALENGTH
                 (the wave read-outs, "%i" formatted) or the quoted message
  KIND mp3       a file picked for "Load Audio" as MP3; EXPECTED is  ok CHANNELS RATE SAMPLEFRAMES  (the
                 header of the decoded WAV: data size = block align x SAMPLEFRAMES) or the quoted message
  KIND mp3-cuts  every prefix of the file (0 bytes to all) is decoded; EXPECTED is  frames LAYER  and each
                 prefix must fail with the message or give a WAV whose data size is the bytes after the header
                 and holds whole frames, no more than the frames whose header lies inside the prefix
  KIND filter    a file picked for "Select Filter"; EXPECTED is  ok COUNT  or the quoted message
"""

import os
import random
import shutil
import struct
import subprocess
import tempfile

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
BAD = os.path.join(ROOT, "tests", "data", "bad")
FUZZ = os.path.join(ROOT, "fuzz", "corpus")

NOT_WAVE = '"Not a valid Wave format"'
NOT_PCM = '"Only PCM Wave format supported"'
NO_DECODE = '"Failed to decode MP3 file"'
NO_FILTER = '"Could not open file"'


def wave_header(tag=1, channels=2, rate=44100, bits=16, data_size=0, riff_size=None, fmt_size=16):
    block = channels * ((bits + 7) // 8)
    if riff_size is None:
        riff_size = data_size + 36
    return (b"RIFF" + struct.pack("<I", riff_size & 0xFFFFFFFF) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", fmt_size, tag, channels, rate, (rate * block) & 0xFFFFFFFF, block & 0xFFFF, bits) +
            b"data" + struct.pack("<I", data_size & 0xFFFFFFFF))


def tone_bytes(count, seed):
    rng = random.Random(seed)
    return bytes(rng.randrange(256) for _ in range(count))


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Mpeg:
    """Short encoded tones; every stream starts with a real audio frame (no Xing/Info frame, no tag)."""

    def __init__(self, work):
        self.work = work

    def tone(self, name, rate, channels, seconds):
        path = os.path.join(self.work, name + ".wav")
        run("sox", "-D", "-n", "-r", str(rate), "-c", str(channels), "-b", "16", path, "synth", str(seconds),
            "sine", "440", "sine", "1000", "vol", "0.5")
        return path

    def layer3(self, rate, channels, seconds, kbps):
        source = self.tone("l3-%d-%d" % (rate, channels), rate, channels, seconds)
        out = source[:-4] + ".mp3"
        run("lame", "--quiet", "-t", "--cbr", "-b", str(kbps), "-m", "m" if channels == 1 else "j",
            "--resample", str(rate / 1000), source, out)
        return open(out, "rb").read()

    def layer2(self, rate, channels, seconds, kbps, protect=False):
        source = self.tone("l2-%d-%d" % (rate, channels), rate, channels, seconds)
        out = source[:-4] + (".crc" if protect else "") + ".mp2"
        run("twolame", "--quiet", "-b", str(kbps), "-m", "m" if channels == 1 else "s", *(["-p"] if protect else []),
            source, out)
        return open(out, "rb").read()


def frame_starts(stream):
    """Offsets of the frames of a clean CBR stream, found by walking frame lengths from the first header."""
    starts = []
    offset = 0
    while offset + 4 <= len(stream):
        header = stream[offset:offset + 4]
        if header[0] != 0xFF or (header[1] & 0xE0) != 0xE0:
            break
        version = (header[1] >> 3) & 1
        layer = 4 - ((header[1] >> 1) & 3)
        bitrate_index = header[2] >> 4
        rate_index = (header[2] >> 2) & 3
        padding = (header[2] >> 1) & 1
        rates = {1: [44100, 48000, 32000], 0: [22050, 24000, 16000]}[version]
        bitrates = {(1, 2): [0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384],
                    (1, 3): [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
                    (0, 2): [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
                    (0, 3): [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160]}[(version, layer)]
        samples = 576 if (layer == 3 and version == 0) else 1152
        length = samples // 8 * bitrates[bitrate_index] * 1000 // rates[rate_index] + padding
        starts.append(offset)
        offset += length
    return starts


def set_bits(frame, bit_offset, width, value):
    data = bytearray(frame)
    for i in range(width):
        bit = (value >> (width - 1 - i)) & 1
        position = bit_offset + i
        mask = 0x80 >> (position % 8)
        if bit:
            data[position // 8] |= mask
        else:
            data[position // 8] &= ~mask & 0xFF
    return bytes(data)


def id3v2_tag(payload):
    size = len(payload)
    syncsafe = bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F, (size >> 7) & 0x7F, size & 0x7F])
    return b"ID3\x03\x00\x00" + syncsafe + payload


def hex_text(data):
    digits = data.hex().upper()
    return "\n".join(digits[i:i + 64] for i in range(0, len(digits), 64)).encode() + b"\n"


def filter_lines_count(data):
    """The count of coefficient lines by the filter-file line rules."""
    count = 0
    start = 0
    while start < len(data):
        end = start
        while end < len(data) and end - start < 255:
            end += 1
            if data[end - 1] == 10:
                break
        # A piece is a C string: a NUL byte ends it early.
        piece = data[start:end].split(b"\0", 1)[0]
        if data[start] != ord(";") and len(piece) > 3:
            count += 1
        start = end
    return count


def main():
    if os.path.isdir(BAD):
        shutil.rmtree(BAD)
    os.makedirs(BAD)
    manifest = []
    seeds = {"fuzz_wave": {}, "fuzz_filter_file": {}, "fuzz_decode": {}, "fuzz_decode_parallel": {}, "fuzz_export": {}, "fuzz_macro": {}}

    def case(name, kind, expected, data, comment):
        with open(os.path.join(BAD, name), "wb") as out:
            out.write(data)
        manifest.append("# %s\n%s %s %s" % (comment, name, kind, expected))

    # ---- WAV -----------------------------------------------------------------------------------------
    samples = tone_bytes(400, 1)
    canonical = wave_header(data_size=len(samples)) + samples
    case("empty.wav", "wav", NOT_WAVE, b"", "an empty file is read, then refused")
    case("one-byte.wav", "wav", NOT_WAVE, b"R", "a single byte")
    case("header-only.wav", "wav", "ok 2 44100 16 0", wave_header(data_size=0), "the 44 header bytes, no samples")
    case("header-cut.wav", "wav", "ok 2 44100 16 0", wave_header()[:36],
         "cut after the fmt fields: no data chunk, the data offset lies beyond the image")
    case("riff-cut-in-fmt.wav", "wav", NOT_PCM, wave_header()[:20], "cut before the format tag")
    case("riff-fields-zero.wav", "wav", NOT_PCM, b"RIFF" + bytes(4) + b"WAVEfmt " + bytes(20) + b"data" + bytes(4),
         "every header number 0, format tag included")
    case("riff-fields-zero-pcm.wav", "wav", "ok 0 0 0 0",
         wave_header(tag=1, channels=0, rate=0, bits=0, data_size=0, riff_size=0, fmt_size=0) ,
         "every header number 0 except the PCM tag")
    case("riff-fields-max.wav", "wav", NOT_PCM, b"RIFF" + b"\xff" * 4 + b"WAVEfmt " + b"\xff" * 20 + b"data" + b"\xff" * 4 + samples,
         "every header number at its maximum, format tag 0xFFFF")
    maximal = bytearray(b"RIFF" + b"\xff" * 4 + b"WAVEfmt " + b"\xff" * 20 + b"data" + b"\xff" * 4 + samples)
    maximal[20:22] = b"\x01\x00"
    case("riff-fields-max-pcm.wav", "wav", "ok 65535 -1 65535 %d" % len(samples), bytes(maximal),
         "every header number at its maximum except the PCM tag; the data length is what is present")
    case("data-beyond-end.wav", "wav", "ok 2 44100 16 %d" % len(samples),
         wave_header(data_size=1000000) + samples, "declared data size far beyond the end of the file")
    no_data = wave_header()[:36] + b"LIST" + struct.pack("<I", 8) + b"INFOabcd" + samples.replace(b"data", b"dat_")
    case("no-data-chunk.wav", "wav", "ok 2 44100 16 0", no_data, "no \"data\" anywhere")
    case("three-channels.wav", "wav", "ok 3 44100 16 %d" % len(samples), wave_header(channels=3, data_size=len(samples)) + samples,
         "3 channels load; processing refuses them")
    case("bits-24.wav", "wav", "ok 2 44100 24 %d" % len(samples[:384]), wave_header(bits=24, data_size=384) + samples[:384],
         "24-bit samples load; processing refuses them")
    case("bits-32.wav", "wav", "ok 2 44100 32 %d" % len(samples), wave_header(bits=32, data_size=len(samples)) + samples,
         "32-bit samples load; processing refuses them")
    case("tag-float.wav", "wav", NOT_PCM, wave_header(tag=3, bits=32, data_size=len(samples)) + samples,
         "format tag 3 (floating point)")
    case("tag-extensible.wav", "wav", NOT_PCM,
         wave_header(tag=0xFFFE, data_size=len(samples), fmt_size=40)[:36] + bytes(24) + b"data" +
         struct.pack("<I", len(samples)) + samples, "format tag 0xFFFE (extensible)")
    case("big-endian-rifx.wav", "wav", NOT_WAVE, b"RIFX" + canonical[4:], "big-endian RIFX")
    png = b"\x89PNG\r\n\x1a\n" + struct.pack(">I", 13) + b"IHDR" + bytes(17) + tone_bytes(200, 2).replace(b"\xff", b"\x00")
    case("picture.wav", "wav", NOT_WAVE, png, "a picture renamed to .wav")
    seeds["fuzz_wave"].update({"canonical": canonical, "header-cut": wave_header()[:36],
                               "mono8": wave_header(channels=1, bits=8, data_size=300) + samples[:300],
                               "no-data": no_data, "beyond-end": wave_header(data_size=1000000) + samples})

    # ---- MPEG audio ----------------------------------------------------------------------------------
    work = tempfile.mkdtemp()
    try:
        mpeg = Mpeg(work)
        l3 = mpeg.layer3(44100, 2, 0.2, 128)
        l3_starts = frame_starts(l3)
        l3_frames = len(l3_starts)
        l2 = mpeg.layer2(44100, 2, 0.15, 192)
        l2_frames = len(frame_starts(l2))
        l3_low_mono = mpeg.layer3(22050, 1, 0.2, 32)
        low_frames = len(frame_starts(l3_low_mono))
        l2_crc = mpeg.layer2(48000, 2, 0.15, 128, protect=True)
    finally:
        shutil.rmtree(work)

    case("layer3.mp3", "mp3", "ok 2 44100 %d" % (1152 * l3_frames), l3, "a clean Layer III stream (lame)")
    case("layer2.mp3", "mp3", "ok 2 44100 %d" % (1152 * l2_frames), l2, "a clean Layer II stream (twolame)")
    case("layer2-hex.mp3", "mp3", "ok 2 44100 %d" % (1152 * l2_frames), hex_text(l2),
         "the Layer II stream as hexadecimal text")
    case("layer2-lower-hex.mp3", "mp3", NO_DECODE, hex_text(l2).lower(),
         "lower-case hexadecimal is no text form: binary junk without a sync word")
    case("empty.mp3", "mp3", NO_DECODE, b"", "an empty file")
    case("one-byte.mp3", "mp3", NO_DECODE, b"\xff", "a single byte")
    case("header-only.mp3", "mp3", "ok 2 44100 1152", l2[:4], "one frame header and nothing else")
    case("picture.mp3", "mp3", NO_DECODE, png, "a picture renamed to .mp3")
    case("wave.mp3", "mp3", NO_DECODE, canonical.replace(b"\xff", b"\x00"), "a WAV file renamed to .mp3")
    case("layer3-cuts.mp3", "mp3-cuts", "frames 3", l3[:l3_starts[3]] if l3_frames > 3 else l3,
         "three Layer III frames, decoded cut at every byte")
    l2_starts = frame_starts(l2)
    case("layer2-cuts.mp3", "mp3-cuts", "frames 2", l2[:l2_starts[2]], "two Layer II frames, decoded cut at every byte")

    junk = bytearray(tone_bytes(300, 3).replace(b"\xff", b"\x00"))
    # Sync words whose headers hold reserved values: bitrate index 15, sampling index 3, layer bits 00.
    junk[10:14] = b"\xff\xfd\xf0\x00"
    junk[100:104] = b"\xff\xfd\x9c\x00"
    junk[200:204] = b"\xff\xf9\x90\x00"
    # A false sync word whose header is plausible: Layer I, 32 kbit/s, 44.1 kHz, a 32-byte frame of silence
    # (all allocations 0). It is decoded as one Layer I frame; the search then goes on inside the junk.
    junk[250:254] = b"\xff\xff\x10\x00"
    junk[254:] = bytes(len(junk) - 254)
    case("false-sync.mp3", "mp3", "ok 2 44100 %d" % (384 + 1152 * l2_frames), bytes(junk) + l2,
         "junk before the first frame with sync words of reserved headers and one plausible false frame")

    tag = id3v2_tag(b"TIT2" + struct.pack(">I", 60) + b"\x00\x00" + b"\x00" + b"\xff\xfb\x90\x64" * 14 + b"\x00" * 3 + bytes(100))
    case("id3v2.mp3", "mp3", "ok 2 44100 %d" % (1152 * l3_frames), tag + l3,
         "an ID3v2 tag holding false sync words before the first frame")

    reserved = b""
    for start, end in zip(l2_starts, l2_starts[1:] + [len(l2)]):
        reserved += l2[start:end] + b"\xff\xfd\xf4\x00" + bytes(20) + b"\xff\xf9\x94\x00" + bytes(20) + b"\xff\xfb\x9c\x00" + bytes(20)
    case("reserved-headers.mp3", "mp3", "ok 2 44100 %d" % (1152 * l2_frames), reserved,
         "a frame with bitrate index 15, one with layer bits 00 and one with sampling index 3 after every frame")

    case("rate-channel-change.mp3", "mp3", "ok 1 22050 %d" % (1152 * l3_frames + 576 * low_frames), l3 + l3_low_mono,
         "44.1 kHz stereo frames followed by 22.05 kHz mono frames: every frame decoded, the header of the last")

    # MPEG-1 stereo side information: main_data_begin is the 9 bits after the 32-bit header; big_values
    # of granule 0, channel 0 follows main_data_begin, private bits (3), scfsi (8) and part2_3_length (12).
    second = l3_starts[1]
    big = l3[:second] + set_bits(l3[second:], 32 + 9 + 3 + 8 + 12, 9, 511)
    case("huge-big-values.mp3", "mp3", "ok 2 44100 %d" % (1152 * l3_frames), big,
         "big_values 511 in the second frame: no value stored beyond the granule, every frame still output")
    early = set_bits(l3, 32, 9, 511)
    case("main-data-before-stream.mp3", "mp3", "ok 2 44100 %d" % (1152 * (l3_frames - 1)), early,
         "the first frame's main data begins 511 bytes before the stream: that frame gives no samples")
    seeds["fuzz_decode"].update({
        "layer3": b"\x00" + l3[:l3_starts[3]], "layer2": b"\x00" + l2[:l2_starts[2]],
        "layer2-as-hex": b"\x01" + l2[:l2_starts[1]], "layer3-low": b"\x00" + l3_low_mono[:600],
        "id3v2": b"\x00" + tag + l3[:l3_starts[2]], "false-sync": b"\x00" + bytes(junk) + l2[:l2_starts[1]],
        "big-values": b"\x00" + big[:l3_starts[3]]})
    # The parallel harness: the first byte picks chunks (bits 0-1), threads (bits 2-3) and text form (bit 4).
    crc_starts = frame_starts(l2_crc)
    low_starts = frame_starts(l3_low_mono)
    free = b"".join(bytes([f[0], f[1], f[2] & 0x0F]) + f[3:] for f in
                    (l2[a:b] for a, b in zip(l2_starts[:6], l2_starts[1:7])))
    between = b"".join(l2[a:b] + tone_bytes(37, a).replace(b"\xff", b"\x00") for a, b in zip(l2_starts[:6], l2_starts[1:7]))
    seeds["fuzz_decode_parallel"].update({
        "layer3": b"\x00" + l3[:l3_starts[8]], "layer3-low": b"\x05" + l3_low_mono[:low_starts[8]],
        "layer2-crc": b"\x0a" + l2_crc[:crc_starts[6]], "free-format": b"\x06" + free,
        "garbage-between": b"\x09" + between, "cut": b"\x04" + l3[:l3_starts[6] - 100],
        "mode-change": b"\x0a" + l3[:l3_starts[4]] + l3_low_mono[:low_starts[4]],
        "layer2-as-hex": b"\x12" + l2[:l2_starts[4]]})

    # ---- Filter files --------------------------------------------------------------------------------
    good = b"; Filter Logfile\r\n; taps\r\n0.25\r\n-1.234e-002\r\n0.5\r\n-1.234D-002\r\n0.25\r\n"
    case("filter-good.txt", "filter", "ok 5", good, "comment lines and five taps")
    case("filter-empty.txt", "filter", NO_FILTER, b"", "an empty filter file")
    case("filter-two.txt", "filter", NO_FILTER, b"0.5\n0.5\n", "two taps are not a filter")
    rng = random.Random(4)
    junk_text = bytes(rng.randrange(1, 256) for _ in range(3000))
    case("filter-junk.txt", "filter", "ok %d" % filter_lines_count(junk_text), junk_text,
         "binary junk without NUL bytes: every line of more than 3 characters is a tap (mostly 0.0)")
    long_line = b"1" * 600 + b"\n"
    case("filter-long-line.txt", "filter", "ok 3", long_line, "a 601-character line read in pieces of 255")
    case("filter-picture.txt", "filter", "ok %d" % filter_lines_count(png), png, "a picture picked as a filter file")
    seeds["fuzz_filter_file"].update({"good": good, "junk": junk_text[:600], "long-line": long_line,
                                      "lf": b"0.1\n0.2\n0.3\n0.4\n", "exponents": b"1e400\n-1e400\n1d-2\nnan\n0x10\n"})
    seeds["fuzz_export"].update({"short": tone_bytes(64, 5), "longer": tone_bytes(3000, 6)})
    # Macros: the manual's example, quotes, CR LF and odd numbers, and a handful of mistakes.
    seeds["fuzz_macro"].update({
        "example": b"# tape transfer: hum, clicks, level\n"
                   b"fir hum-50hz.txt --original 0 --filtered 1 --channels 1,2\n"
                   b"median 5 --channels 1,2\n"
                   b"normalize               # each channel by its proposed gain\n"
                   b"amplify 0.9 0.9\n"
                   b"save {name}-clean.wav\n"
                   b"encode {name}.mp3 --bitrate 192 --crc --original\n",
        "quotes": b'fir "a \\"b\\" c.txt" --filtered -0.65 --original 3.5e-1 --channels 2\r\n'
                  b"median 33 --channels 2,1\r\namplify -0 1e-300\r\nsave '{dir}/x y.WAV'\r\n"
                  b"encode {ext}/{name}.mp3 --private --copyright\r\n",
        "errors": b"normalize\nmedian 35\nsave {nam}.wav\n\x01\n",
    })
    # The wave harness reads two length bytes first, then the image, then its parameters.
    seeds["fuzz_wave"] = {name: struct.pack("<H", len(image)) + image + tone_bytes(40, 7)
                          for name, image in seeds["fuzz_wave"].items()}

    with open(os.path.join(BAD, "MANIFEST"), "w") as out:
        out.write("# The bad-file corpus: FILE KIND EXPECTED (see scripts/make-bad-corpus.py, which writes it).\n")
        out.write("\n".join(manifest) + "\n")

    for harness, files in seeds.items():
        folder = os.path.join(FUZZ, harness)
        if os.path.isdir(folder):
            for name in os.listdir(folder):
                if name.startswith("seed-"):
                    os.remove(os.path.join(folder, name))
        os.makedirs(folder, exist_ok=True)
        for name, data in files.items():
            with open(os.path.join(folder, "seed-" + name), "wb") as out:
                out.write(data)


if __name__ == "__main__":
    main()
