#!/usr/bin/env python3
"""Checks the recording midi_sound_run.sh makes of the program's output.

The recording holds five sounds, found by their onsets (no clock is read):
(b) the reference tone at 441 Hz, sounding about 200 ms, then at 440 Hz,
(a) the piano key at middle C, (c) the C major chord wave played alone, then
with the detected notes sounded by MIDI, silent after the pause. The wave's
chord is pure sines, so the notes the synthesizer adds are told from it by
their overtones: the octave above each note of the chord. Standard library
only.
usage: check_midi_sound.py RECORDING.wav
"""
import array
import math
import sys
import wave

SILENCE = 10 ** (-50 / 20)   # RMS of a 10 ms block below -50 dBFS is silence
JOIN_MS = 150                # shorter quiet gaps do not end a sound


def read_left(path):
    with wave.open(path, "rb") as recording:
        assert recording.getnchannels() == 2 and recording.getsampwidth() == 2, "not 16-bit stereo"
        rate = recording.getframerate()
        samples = array.array("h", recording.readframes(recording.getnframes()))
    if sys.byteorder == "big":
        samples.byteswap()
    return [s / 32768 for s in samples[0::2]], rate


def sounds(left, rate):
    """(begin, end) frames of each sound, quiet gaps under JOIN_MS joined."""
    block = rate // 100
    loud = []
    for start in range(0, len(left) - block + 1, block):
        energy = sum(x * x for x in left[start:start + block]) / block
        loud.append(math.sqrt(energy) > SILENCE)
    spans = []
    for index, is_loud in enumerate(loud):
        if not is_loud:
            continue
        if spans and index - spans[-1][1] <= JOIN_MS // 10:
            spans[-1][1] = index + 1
        else:
            spans.append([index, index + 1])
    return [(b * block, e * block) for b, e in spans if e - b >= 3]


def power(left, start, count, rate, hz):
    """Hann-windowed power of `count` frames from `start` at `hz`."""
    step = 2 * math.pi * hz / rate
    re = im = 0.0
    for i in range(count):
        w = (0.5 - 0.5 * math.cos(2 * math.pi * i / (count - 1))) * left[start + i]
        re += w * math.cos(step * i)
        im -= w * math.sin(step * i)
    return re * re + im * im


def peak(left, start, count, rate, guess, span_cents=100):
    """The strongest frequency within span_cents of guess, searched coarse then fine."""
    best, span = guess, guess * (2 ** (span_cents / 1200) - 1)
    for _ in range(4):
        candidates = [best - span + k * span / 10 for k in range(21)]
        best = max(candidates, key=lambda hz: power(left, start, count, rate, hz))
        span /= 10
    return best


def note_hz(note):
    return 440 * 2 ** ((note - 69) / 12)


def cents(hz, reference):
    return 1200 * math.log2(hz / reference)


def band_power(left, start, count, rate, note):
    """The most power within -50..+20 cents of the note (the organ runs flat)."""
    return max(power(left, start, count, rate, note_hz(note + c / 100)) for c in range(-50, 21, 10))


def levels(left, rate, begin, end):
    """RMS of each 10 ms block from begin to end."""
    block = rate // 100
    return [math.sqrt(sum(x * x for x in left[f:f + block]) / block) for f in range(begin, end - block + 1, block)]


def held_ms(left, rate, begin, end):
    """How long a note holds: from its onset to 6 dB below its peak."""
    level = levels(left, rate, begin, end)
    top = level.index(max(level))
    return 10 * next((i for i in range(top, len(level)) if level[i] < max(level) / 2), len(level))


def main(path):
    left, rate = read_left(path)
    found = sounds(left, rate)
    ms = lambda frames: round(frames * 1000 / rate)
    print("sounds (ms):", [(ms(b), ms(e)) for b, e in found])
    if len(found) != 5:
        print("FAIL: expected five sounds: two reference tones, the piano key, the chord twice")
        return 1
    up, back, key, chord_alone, chord_midi = found
    failures = []

    # (b) Numpad 6: A4 at 441 Hz, ended by its timer after 200 ms; Numpad 5:
    # 440 Hz again. A held note of this piano stays within 6 dB of its peak
    # for half a second and more.
    for (begin, end), hz in ((up, 441), (back, 440)):
        tone_hz = peak(left, begin + rate // 50, rate // 10, rate, hz)
        held = held_ms(left, rate, begin, end)
        print(f"(b) reference tone {tone_hz:.2f} Hz ({cents(tone_hz, hz):+.1f} cents from {hz}), held {held} ms")
        if abs(cents(tone_hz, hz)) > 5:
            failures.append(f"the reference tone did not sound {hz} Hz")
        if not 150 <= held <= 350:
            failures.append("the reference tone did not end after about 200 ms")

    # (a) Middle C: the strongest note from C3 to C6 is a C (this piano's
    # octave partial outdoes its fundamental), the fundamental at 261.63 Hz.
    begin, end = key
    start, count = begin + rate // 10, rate // 4
    strongest = max(range(48, 85), key=lambda n: power(left, start, count, rate, note_hz(n)))
    key_hz = peak(left, start, count, rate, note_hz(60))
    print(f"(a) strongest note {strongest}, fundamental {key_hz:.2f} Hz ({cents(key_hz, note_hz(60)):+.1f} cents),"
          f" held {held_ms(left, rate, begin, end)} ms")
    if strongest % 12 != 0 or abs(cents(key_hz, note_hz(60))) > 5:
        failures.append("the piano key did not sound middle C")

    # (c) The octave above each note of the chord, against the median of the
    # other pitch classes of that octave, over the middle of each play: the
    # wave alone has nothing there, the notes sounded by MIDI have.
    names = ["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"]
    for (begin, end), midi in ((chord_alone, False), (chord_midi, True)):
        start = begin + (end - begin) // 3
        count = min(rate // 2, end - start - rate // 10)
        profile = {pc: band_power(left, start, count, rate, 72 + pc) for pc in range(12)}
        others = sorted(profile[pc] for pc in range(12) if pc not in (0, 4, 7))
        floor = others[len(others) // 2]
        print(f"(c) MIDI {'on' if midi else 'off'}: octave 5 over the median of the others:",
              ", ".join(f"{names[pc]} {profile[pc] / floor:.0f}" for pc in range(12)))
        for pc in (0, 4, 7):
            if midi and profile[pc] < 30 * floor:
                failures.append(f"no {names[pc]} sounded by MIDI with the chord")
            if not midi and profile[pc] >= 30 * floor:
                failures.append(f"the wave alone has an overtone at {names[pc]}: the check cannot tell MIDI from it")
    # Paused: nothing sounds from the chord's end (its release included) on.
    tail_ms = ms(len(left) - chord_midi[1])
    print(f"(c) silent for the last {tail_ms} ms")
    if tail_ms < 500:
        failures.append("the MIDI notes did not stop on Pause")

    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("ok: middle C, 441 Hz for about 200 ms and back to 440, the chord's C, E and G by MIDI; silent on Pause")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
