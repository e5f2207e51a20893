#!/usr/bin/env python3
"""Side by side: the same dense granular work rendered offline by kornmill-render and by the
peers a musician might pick instead, SuperCollider's GrainBuf (scsynth in non-real-time mode)
and Csound's partikkel, each timed as CPU and wall seconds of the whole process.

The work: 1000 grains a second of 0.1 s (about 100 sounding at once), 44.1 kHz stereo, a 10 s
mono 16-bit source, slight pitch randomness, full pan randomness, 30 s rendered to a 16-bit
file. `--very-dense` makes the grains 1 s long (about 1000 at once). A peer that is not
installed is skipped (Debian packages supercollider-server and csound).

Prints each renderer's grain-frames per CPU second and per wall second (grains per second x
frames per grain x seconds, divided by the time) and its ratio to GrainBuf.
"""

import argparse
import math
import os
import resource
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import wave

RATE = 44100
SOURCE_SECONDS = 10
GRAINS_PER_SECOND = 1000


def write_source(path):
    """A 10 s mono 16-bit source: a swept tone whose loudness moves."""
    frames = RATE * SOURCE_SECONDS
    data = bytearray()
    phase = 0.0
    for i in range(frames):
        t = i / RATE
        phase += 2 * math.pi * (200 + 180 * t) / RATE
        loud = 0.2 + 0.7 * abs(math.sin(t * 1.3))
        data += struct.pack("<h", int(32767 * 0.8 * loud * math.sin(phase)))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(data))


class RunFailed(Exception):
    pass


def timed(command):
    """Runs a command; returns (cpu seconds of the child, wall seconds)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if result.returncode != 0:
        raise RunFailed("failed: %s\n%s" % (" ".join(command),
                                            result.stderr.decode(errors="replace")))
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return cpu, wall


# ---- SuperCollider: a SynthDef file and an OSC score written byte by byte ----------------

def pstring(s):
    b = s.encode()
    return struct.pack(">B", len(b)) + b


def grainbuf_synthdef(grain_seconds, interp, max_grains):
    """SynthDef "grains": Impulse triggers GrainBuf (stereo) with per-grain random rate and pan,
    the read position moving through the buffer over the render."""
    constants = []

    def const(v):
        if v not in constants:
            constants.append(v)
        return (-1, constants.index(v))

    AUDIO = 2
    ugens = []

    def ugen(name, inputs, outputs):
        ugens.append((name, inputs, outputs))
        return len(ugens) - 1

    trig = ugen("Impulse", [const(GRAINS_PER_SECOND), const(0.0)], 1)
    rate = ugen("TRand", [const(0.99), const(1.01), (trig, 0)], 1)
    pan = ugen("TRand", [const(-1.0), const(1.0), (trig, 0)], 1)
    pos = ugen("Line", [const(0.0), const(1.0), const(float(SOURCE_SECONDS * 3)), const(0.0)], 1)
    grains = ugen("GrainBuf", [(trig, 0), const(grain_seconds), const(0.0), (rate, 0), (pos, 0),
                               const(float(interp)), (pan, 0), const(-1.0),
                               const(float(max_grains))], 2)
    ugen("Out", [const(0.0), (grains, 0), (grains, 1)], 0)

    body = pstring("grains")
    body += struct.pack(">i", len(constants)) + b"".join(struct.pack(">f", c) for c in constants)
    body += struct.pack(">ii", 0, 0)  # no parameters
    body += struct.pack(">i", len(ugens))
    for name, inputs, outputs in ugens:
        body += pstring(name) + struct.pack(">biih", AUDIO, len(inputs), outputs, 0)
        for a, b in inputs:
            body += struct.pack(">ii", a, b)
        body += struct.pack(">b", AUDIO) * outputs
    body += struct.pack(">h", 0)  # no variants
    return b"SCgf" + struct.pack(">ih", 2, 1) + body


def osc_string(s):
    b = s.encode() + b"\0"
    return b + b"\0" * (-len(b) % 4)


def osc_message(address, *args):
    tags = ","
    payload = b""
    for a in args:
        if isinstance(a, int):
            tags += "i"
            payload += struct.pack(">i", a)
        elif isinstance(a, float):
            tags += "f"
            payload += struct.pack(">f", a)
        elif isinstance(a, str):
            tags += "s"
            payload += osc_string(a)
        else:
            tags += "b"
            payload += struct.pack(">i", len(a)) + a + b"\0" * (-len(a) % 4)
    return osc_string(address) + osc_string(tags) + payload


def osc_bundle(seconds, *messages):
    out = b"#bundle\0" + struct.pack(">Q", int(seconds * (1 << 32)))
    for m in messages:
        out += struct.pack(">i", len(m)) + m
    return struct.pack(">i", len(out)) + out


def run_grainbuf(scsynth, work, source, seconds, grain_seconds, interp, name):
    score = os.path.join(work, "grains.osc")
    synthdef = grainbuf_synthdef(grain_seconds, interp, 4096)
    with open(score, "wb") as f:
        f.write(osc_bundle(0, osc_message("/d_recv", synthdef),
                           osc_message("/b_allocRead", 0, source)))
        f.write(osc_bundle(0, osc_message("/s_new", "grains", 1000, 0, 0)))
        f.write(osc_bundle(seconds, osc_message("/c_set", 0, 0)))
    out = os.path.join(work, name + ".wav")
    return [scsynth, "-N", score, "_", out, str(RATE), "WAV", "int16", "-o", "2"]


# ---- Csound ------------------------------------------------------------------------------

CSD = """<CsoundSynthesizer>
<CsInstruments>
sr = {rate}
ksmps = 8
nchnls = 2
0dbfs = 1
giSource ftgen 0, 0, 0, 1, "{source}", 0, 0, 1
giRise ftgen 0, 0, 8193, 19, 0.5, 0.5, 270, 0.5
giFall ftgen 0, 0, 8193, 19, 0.5, 0.5, 90, 0.5
giCosine ftgen 0, 0, 8193, 9, 1, 1, 90
giPan ftgen 0, 0, 4096, 21, 1, 1
giWaves ftgen 0, 0, 8, -2, 0, 0, 1, 0, 0, 0, 0
instr 1
  tableiw 0, 0, giPan
  tableiw 4093, 1, giPan
  iorig = sr / ftlen(giSource)
  kpitch randh 0.01, {grains}
  apos phasor 1 / {source_seconds}
  anofm = 0  ; no sync input and no FM (both inputs are audio rate)
  a1, a2 partikkel {grains}, 0, -1, anofm, 0, -1, giRise, giFall, 0, 0.5, {duration}, 0.04, -1, \\
      iorig * (1 + kpitch), 0, -1, -1, anofm, -1, -1, giCosine, 1, 1, 1, giPan, 0, \\
      giSource, giSource, giSource, giSource, giWaves, apos, apos, apos, apos, \\
      1, 1, 1, 1, 4096
  outs a1, a2
endin
</CsInstruments>
<CsScore>
i1 0 {seconds}
e
</CsScore>
</CsoundSynthesizer>
"""


def run_partikkel(csound, work, source, seconds, grain_seconds, name):
    csd = os.path.join(work, "grains.csd")
    with open(csd, "w") as f:
        f.write(CSD.format(rate=RATE, source=source, grains=GRAINS_PER_SECOND,
                           source_seconds=SOURCE_SECONDS, duration=grain_seconds * 1000,
                           seconds=seconds))
    out = os.path.join(work, name + ".wav")
    return [csound, "-d", "-m0", "--nodisplays", "-W", "-s", "-o", out, csd]


# ---- Kornmill ----------------------------------------------------------------------------

def run_kornmill(render, work, source, seconds, very_dense, interp, threads, name):
    length = 1024 if very_dense else 324  # grain length control: 1 s or 0.1 s
    return [render, "--source", source, "--rate", str(RATE), "--seconds", str(seconds),
            "--bits", "16", "--interp", interp, "--threads", str(threads),
            "--set", "7=16106",  # 1000 grains a second
            "--set", "10=%d" % length, "--set", "14=20",  # slight pitch randomness
            "--set", "25=256",  # full pan randomness
            "-o", os.path.join(work, name + ".wav")]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(here, "..", "build", "default"),
                        help="the build folder holding output/kornmill-render")
    parser.add_argument("--seconds", type=float, default=30.0, help="length of each render")
    parser.add_argument("--runs", type=int, default=3, help="runs of each; the median is shown")
    parser.add_argument("--very-dense", action="store_true", help="1 s grains: 1000 at once")
    args = parser.parse_args()

    render = os.path.join(args.build, "output", "kornmill-render")
    if not os.access(render, os.X_OK):
        sys.exit("no kornmill-render at %s: build first (cmake --build --preset default)" % render)
    grain_seconds = 1.0 if args.very_dense else 0.1
    work = tempfile.mkdtemp(prefix="kornmill-peers-")
    try:
        source = os.path.join(work, "source.wav")
        write_source(source)
        jobs = []
        for interp in ("cubic", "spline", "linear"):
            for threads in (1, 2):
                name = "kornmill-render, %s, %d thread%s" % (interp, threads,
                                                            "" if threads == 1 else "s")
                label = "k-%s-%d" % (interp, threads)
                jobs.append((name, run_kornmill(render, work, source, args.seconds,
                                                args.very_dense, interp, threads, label),
                             label))
        scsynth = shutil.which("scsynth")
        if scsynth:
            jobs.append(("SuperCollider GrainBuf (cubic, scsynth -N)",
                         run_grainbuf(scsynth, work, source, args.seconds, grain_seconds, 4,
                                      "grainbuf"), "grainbuf"))
        else:
            print("SuperCollider (scsynth) not installed: skipped")
        csound = shutil.which("csound")
        if csound:
            jobs.append(("Csound partikkel (linear, ksmps 8)",
                         run_partikkel(csound, work, source, args.seconds, grain_seconds,
                                       "partikkel"), "partikkel"))
        else:
            print("Csound not installed: skipped")

        grain_frames = GRAINS_PER_SECOND * grain_seconds * RATE * args.seconds
        # Round by round, every command once per round, so that a slow spell of a
        # shared machine falls on all of them alike rather than on one.
        runs = {name: [] for name, _, _ in jobs}
        for _ in range(args.runs):
            for name, command, label in jobs:
                if name not in runs:
                    continue
                # Each writes a new file: none pays for deleting its last one.
                output = os.path.join(work, label + ".wav")
                if os.path.exists(output):
                    os.remove(output)
                try:
                    runs[name].append(timed(command))
                except RunFailed as failure:
                    if name.startswith("kornmill"):
                        sys.exit(str(failure))
                    print("%s skipped: %s" % (name, failure))  # a peer's own failure
                    del runs[name]
        results = []
        for name, _, _ in jobs:
            if name in runs:
                cpu = statistics.median(r[0] for r in runs[name])
                wall = statistics.median(r[1] for r in runs[name])
                results.append((name, cpu, wall))
        reference = next((r for r in results if r[0].startswith("SuperCollider")), None)
        print("%.3g grain-frames in %.0f s of output; median of %d runs" %
              (grain_frames, args.seconds, args.runs))
        print("%-46s %8s %8s %14s %14s %9s %9s" % ("", "cpu s", "wall s", "gf/cpu s",
                                                  "gf/wall s", "x GB cpu", "x GB wall"))
        for name, cpu, wall in results:
            line = "%-46s %8.2f %8.2f %14.3g %14.3g" % (name, cpu, wall, grain_frames / cpu,
                                                       grain_frames / wall)
            if reference:
                line += " %9.2f %9.2f" % (reference[1] / cpu, reference[2] / wall)
            print(line)
        # Two threads against one, round by round: each round ran the two
        # back to back, so their ratio holds when the machine's speed drifts.
        for interp in ("cubic", "spline", "linear"):
            one = runs.get("kornmill-render, %s, 1 thread" % interp, [])
            two = runs.get("kornmill-render, %s, 2 threads" % interp, [])
            if one and len(one) == len(two):
                ratios = [a[1] / b[1] for a, b in zip(one, two)]
                print("kornmill-render, %s: 2 threads %.2fx as fast as 1 (wall; median of the "
                      "rounds' ratios, %.2f-%.2f)" % (interp, statistics.median(ratios),
                                                      min(ratios), max(ratios)))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
