// SPDX-License-Identifier: MIT
// A WAV file from the fuzzer is loaded as the game loads its sounds, copied, and played through
// the mixer. A loaded sound must be 16-bit mono of a bounded length, and the mixer must play
// each of its samples once and then free its voice.
#include "FuzzSupport.h"

#include <vector>

#include "assets/Mixer.h"
#include "assets/Sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Sound sound(data, size);
    if (!sound.loaded) {
        FUZZ_CHECK(sound.samples == nullptr && sound.sampleCount == 0 && !sound.problem.empty());
        return 0;
    }
    FUZZ_CHECK(sound.samples != nullptr);
    FUZZ_CHECK(sound.sampleCount > 0 && sound.sampleCount <= kMaxSoundSamples);
    FUZZ_CHECK(sound.sampleRate >= 44100 && sound.bitsPerSample == 16 && !sound.stereo);

    static bool mixerUp = StartMixer();
    if (!mixerUp) return 0;
    Sound copy(sound);
    copy.SetPan(data[size / 2] / 127.5f - 1.0f);
    copy.Play();
    // Mix the start of the sound (long ones would only repeat the same work) and, for a short
    // one, past its end. The voice ends on its last sample: after sampleCount frames it is
    // free, and the frame after that is silent.
    const int frames = sound.sampleCount < 20000 ? sound.sampleCount + 1 : 20000;
    std::vector<int16_t> out(size_t(frames) * 2);
    Mix(out.data(), int(out.size()));
    FUZZ_CHECK(copy.IsPlaying() == (frames < sound.sampleCount));
    if (frames > sound.sampleCount)
        FUZZ_CHECK(out[out.size() - 1] == 0 && out[out.size() - 2] == 0);
    return 0;
}
