#include "ProcessorTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>

using namespace quillmor_test;

// "type" items 2 to 5 with either colour and speed: the processor renders exactly what
// the named ensemble routine renders on an engine set up the same way.

TEST (ProcessorDispatch, TypeItemsTwoToFiveRunTheEnsembleRoutines)
{
    using E = QuillmorChorusEngine;
    constexpr int type = E::typeParameter, colour = E::colorModeParameter, speed = E::speedParameter;

    // [item - 2][dark][half]
    const E::ProcessRoutine routines[4][2][2] = {
        { { &E::process4TapEnsembleBrightFull, &E::process4TapEnsembleBrightHalf },
          { &E::process4TapEnsembleDarkFull, &E::process4TapEnsembleDarkHalf } },
        { { &E::processSuperSixBrightFull, &E::processSuperSixBrightHalf },
          { &E::processSuperSixDarkFull, &E::processSuperSixDarkHalf } },
        { { &E::process6TapRandomBrightFull, &E::process6TapRandomBrightHalf },
          { &E::process6TapRandomDarkFull, &E::process6TapRandomDarkHalf } },
        { { &E::processDualEnsembleBrightFull, &E::processDualEnsembleBrightHalf },
          { &E::processDualEnsembleDarkFull, &E::processDualEnsembleDarkHalf } },
    };

    for (int item = 2; item <= 5; ++item)
    {
        for (int dark = 0; dark < 2; ++dark)
        {
            for (int half = 0; half < 2; ++half)
            {
                // Half a step above the item, so that no rounding lands on the item below.
                const std::pair<int, float> settings[] = { { type, (static_cast<float> (item) + 0.5f) / 24.0f },
                                                           { colour, static_cast<float> (dark) },
                                                           { speed, static_cast<float> (half) } };

                PreparedProcessor p;
                auto engine = std::make_unique<E>();

                for (int i = 0; i < E::numParameters; ++i)
                    engine->initParameter (i);

                engine->setSampleRate (48000);

                for (int i = 0; i < E::numParameters; ++i)
                    engine->setParameter (i, engine->getDefaultNormalized (i));

                for (const auto& [index, value] : settings)
                {
                    p.processor.setParameter (index, value);
                    engine->setParameter (index, value);
                }

                auto processed = makeTestSignal (6000);
                auto expected = makeTestSignal (6000);
                render (p.processor, processed, { 512 });

                float* channels[2] = { expected.getWritePointer (0), expected.getWritePointer (1) };
                for (int start = 0; start < 6000; start += 512)
                {
                    const float* in[2] = { channels[0] + start, channels[1] + start };
                    float* out[2] = { channels[0] + start, channels[1] + start };
                    ((*engine).*routines[item - 2][dark][half]) (in, out, std::min (512, 6000 - start), 2);
                }

                EXPECT_TRUE (bitIdentical (processed, expected)) << "item " << item << ", dark " << dark << ", half " << half;
                EXPECT_FALSE (bitIdentical (processed, makeTestSignal (6000))) << "item " << item << ": no wet signal";
            }
        }
    }
}
