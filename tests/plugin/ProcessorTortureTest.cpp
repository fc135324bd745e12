// Mode, colour and speed flipped at random between host blocks of random sizes while the
// other parameters jump to their ends or to random values, at every supported host rate:
// for full-scale input the output stays finite and bounded, and a NaN input sample costs
// only its own output sample.

#include "ProcessorTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

using namespace quillmor_test;

namespace
{
    constexpr int colorMode = 27, type = 29, speed = 33, numParameters = 35;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr int blocksPerRate = 120;
#else
    constexpr int blocksPerRate = 600;
#endif

    /** Far above anything full-scale input reaches, even with full feedback (see the engine's torture test). */
    constexpr float outputBound = 1000.0f;
} // namespace

TEST (ProcessorTorture, RapidModeColourAndSpeedChangesKeepTheOutputFiniteAndBounded)
{
    for (double rate : { 44100.0, 48000.0, 96000.0, 192000.0 })
    {
        PreparedProcessor p (rate);
        std::mt19937 random (static_cast<uint32_t> (rate));
        std::uniform_real_distribution<float> unit (0.0f, 1.0f);
        std::uniform_int_distribution<int> blockLength (1, 1024);
        juce::MidiBuffer midi;

        for (int block = 0; block < blocksPerRate; ++block)
        {
            // Every step of the mode box, the modes without routines included; colour
            // values between the switch positions; speed anywhere.
            p.processor.setParameter (type, unit (random));
            p.processor.setParameter (colorMode, unit (random) < 0.5f ? std::round (unit (random)) : unit (random));
            p.processor.setParameter (speed, unit (random));

            if (block % 3 == 0)
            {
                const int index = static_cast<int> (unit (random) * numParameters) % numParameters;
                const float choice = unit (random);
                p.processor.setParameter (index, choice < 0.3f ? 0.0f : (choice < 0.6f ? 1.0f : unit (random)));
            }

            auto audio = makeTestSignal (blockLength (random), 2, static_cast<juce::uint32> (block));
            audio.applyGain (1.6f); // the test signal peaks near 0.55: bring it to full scale

            // Now and then one input sample is not a number.
            int poisonedChannel = -1, poisonedSample = -1;
            if (block % 37 == 5)
            {
                poisonedChannel = block % 2;
                poisonedSample = audio.getNumSamples() / 2;
                audio.setSample (poisonedChannel, poisonedSample, std::numeric_limits<float>::quiet_NaN());
            }

            p.processor.processBlock (audio, midi);

            for (int channel = 0; channel < 2; ++channel)
            {
                for (int i = 0; i < audio.getNumSamples(); ++i)
                {
                    if (channel == poisonedChannel && i == poisonedSample)
                        continue;

                    const float v = audio.getSample (channel, i);
                    ASSERT_TRUE (std::isfinite (v) && std::fabs (v) <= outputBound)
                        << rate << " Hz, block " << block << ", channel " << channel << ", sample " << i << ": " << v;
                }
            }
        }
    }
}
