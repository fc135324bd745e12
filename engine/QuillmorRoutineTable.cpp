#include "QuillmorChorusEngine.h"

QuillmorChorusEngine::ProcessRoutine QuillmorChorusEngine::getProcessRoutine (int chorusMode, int colorMode, bool halfSpeed) noexcept
{
    using E = QuillmorChorusEngine;

    // [mode][colour][speed]: colour 0 Bright, 1 Dark; speed 0 full, 1 half.
    static constexpr ProcessRoutine routines[9][2][2] = {
        /* 2TapChorus   */ { { &E::process2TapChorusBrightFull, &E::process2TapChorusBrightHalf },
                             { &E::process2TapChorusDarkFull, &E::process2TapChorusDarkHalf } },
        /* 4TapEnsemble */ { { &E::process4TapEnsembleBrightFull, &E::process4TapEnsembleBrightHalf },
                             { &E::process4TapEnsembleDarkFull, &E::process4TapEnsembleDarkHalf } },
        /* SuperSix     */ { { &E::processSuperSixBrightFull, &E::processSuperSixBrightHalf },
                             { &E::processSuperSixDarkFull, &E::processSuperSixDarkHalf } },
        /* 6TapRandom   */ { { &E::process6TapRandomBrightFull, &E::process6TapRandomBrightHalf },
                             { &E::process6TapRandomDarkFull, &E::process6TapRandomDarkHalf } },
        /* DualEnsemble */ { { &E::processDualEnsembleBrightFull, &E::processDualEnsembleBrightHalf },
                             { &E::processDualEnsembleDarkFull, &E::processDualEnsembleDarkHalf } },
        /* 8Tap         */ { { &E::process8TapBrightFull, &E::process8TapBrightHalf },
                             { &E::process8TapDarkFull, &E::process8TapDarkHalf } },
        /* 16Phase      */ { { &E::process16PhaseBrightFull, &E::process16PhaseBrightHalf },
                             { &E::process16PhaseDarkFull, &E::process16PhaseDarkHalf } },
        /* 16Tap        */ { { &E::process16TapBrightFull, &E::process16TapBrightHalf },
                             { &E::process16TapDarkFull, &E::process16TapDarkHalf } },
        /* 32Tap        */ { { &E::process32TapBrightFull, &E::process32TapBrightHalf },
                             { &E::process32TapDarkFull, &E::process32TapDarkHalf } },
    };

    if (chorusMode < 0 || chorusMode > 8 || colorMode < 0 || colorMode > 1)
        return nullptr;

    return routines[chorusMode][colorMode][halfSpeed ? 1 : 0];
}
