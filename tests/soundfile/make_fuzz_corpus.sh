#!/usr/bin/env bash
# Regenerates the fuzzer's seed corpus (tests/soundfile/fuzz_corpus/): small
# files through every reader path, written by sox and by hand.
set -euo pipefail
cd "$(dirname "$0")"
out=fuzz_corpus
rm -rf "$out"
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
sox -n -r 8000 -c 2 -b 16 "$tmp/src.wav" synth 0.02 sine 440 whitenoise vol 0.9

s() { sox "$tmp/src.wav" "$@"; }
s -c 1 -e unsigned -b 8 "$out/u8.wav"
s -e signed -b 16 "$out/s16.wav"
s -c 1 -e signed -b 24 "$out/s24_ext.wav"
s -c 1 -t wavpcm -e signed -b 24 "$out/s24.wav"
s -c 1 -e signed -b 32 "$out/s32.wav"
s -c 1 -e floating-point -b 32 "$out/f32.wav"
s -c 1 -e floating-point -b 64 "$out/f64.wav"
s -c 1 -e signed -b 8 "$out/s8.aiff"
s -e signed -b 16 "$out/s16.aiff"
s -c 1 -e signed -b 24 "$out/s24.aiff"
s -c 1 -e signed -b 32 "$out/s32.aiff"
s -c 1 -t aifc -e floating-point -b 32 "$out/fl32.aifc"
s -c 1 -t aifc -e floating-point -b 64 "$out/fl64.aifc"
s -c 1 -t aifc -e signed -b 16 "$out/none.aifc"
s -e a-law "$out/alaw.wav"
s -e u-law "$out/ulaw.wav"
s -e ima-adpcm -b 4 "$out/ima.wav"
s -e ms-adpcm -b 4 "$out/msadpcm.wav"
s -c 1 -e gsm-full-rate "$out/gsm.wav"
s -c 1 -b 16 "$out/s16.flac"
# sowt: the 16-bit big-endian AIFC with its type and samples turned round.
python3 - "$out/none.aifc" "$out/sowt.aifc" <<'PY'
import struct, sys
b = bytearray(open(sys.argv[1], 'rb').read())
i = b.index(b'COMM')
b[i + 8 + 18:i + 8 + 22] = b'sowt'
j = b.index(b'SSND')
size = struct.unpack('>I', b[j + 4:j + 8])[0]
start = j + 16
for k in range(start, j + 8 + size - 1, 2):
    b[k], b[k + 1] = b[k + 1], b[k]
open(sys.argv[2], 'wb').write(b)
PY
# Hand-built: odd chunks before data, a resynchronising chunk, a cut fmt.
python3 - "$out" <<'PY'
import struct, sys, os
d = sys.argv[1]
def chunk(i, p, pad=True):
    return i + struct.pack('<I', len(p)) + p + (b'\0' if pad and len(p) % 2 else b'')
fmt = struct.pack('<HHIIHH', 1, 1, 8000, 16000, 2, 16)
data = b''.join(struct.pack('<h', v * 100) for v in range(40))
def riff(c):
    return b'RIFF' + struct.pack('<I', len(c) + 4) + b'WAVE' + c
open(os.path.join(d, 'odd_chunks.wav'), 'wb').write(
    riff(chunk(b'LIST', b'abc') + chunk(b'fmt ', fmt) + chunk(b'bext', b'12345') + chunk(b'data', data)))
open(os.path.join(d, 'resync.wav'), 'wb').write(
    riff(chunk(b'fmt ', fmt) + b'JUNK' + chunk(b'data', data)))
open(os.path.join(d, 'cut_fmt.wav'), 'wb').write(b'RIFF\x40\0\0\0WAVEfmt \x10\0\0\0' + fmt[:8])
# A stereo sound of three frames: the shortest sounds need the largest guard.
fmt2 = struct.pack('<HHIIHH', 1, 2, 44100, 176400, 4, 16)
open(os.path.join(d, 's16_three_frames.wav'), 'wb').write(
    riff(chunk(b'fmt ', fmt2) + chunk(b'data', struct.pack('<6h', 100, -100, 200, -200, 300, -300))))
# An IEEE-float record with the largest extra part the reader copies (240 bytes).
ffmt = struct.pack('<HHIIHHH', 3, 1, 8000, 32000, 4, 32, 240) + bytes(range(240))
fdata = b''.join(struct.pack('<f', v / 40.0) for v in range(40))
open(os.path.join(d, 'f32_long_fmt.wav'), 'wb').write(riff(chunk(b'fmt ', ffmt) + chunk(b'data', fdata)))
PY
ls -l "$out"
