// How the engine lays out a source sound: position scale, guard, rate constants, amplitude table.
#pragma once

#include <cstdint>
#include <string>

#include "base/sound.h"

namespace kornmill {

// Position scale of a sound of `frames` frames and `channels` channels:
// float32(268435456.0 / frames) + channels / 2 (integer halves).
float PositionScale(int32_t frames, int channels);

// The bound of the guard's modulus term. That term grows to about 2^28 / F
// frames for very short sounds (700 MB for a stereo sound of three frames)
// while the renderers never read past the reach term; bounded, it leaves the
// guard of every sound of 4096 frames or more as it was.
inline constexpr int64_t kModulusGuardLimit = 65536 + 11;

// Number of guard frames a sound needs so that every frame the renderers can
// read exists: max(min((2^28 mod trunc(S)) + 11, kModulusGuardLimit),
// 268435455 / round(S) + 6 - frames).
int32_t GuardFrameCount(float position_scale, int32_t frames);

// Fills the guard after the sound data with the sound's frames from the first
// on, cyclically when the guard is longer than the sound. `samples` must hold
// (frames + guard) × channels values.
void FillGuard(Sound& sound, int32_t guard_frames);

// Sets the onset unit and rate ratio of a sound from the output rate.
void SetRateConstants(Sound& sound, uint32_t output_rate);

// Builds the sound's amplitude table (one normalised loudness value per 100
// frames). Returns false when memory runs out; `error` then holds the text
// "Memory allocation error for amptable".
bool BuildAmplitudeTable(Sound& sound, std::string* error = nullptr);

}  // namespace kornmill
