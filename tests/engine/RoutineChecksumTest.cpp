#include "FrameTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#if defined(__SSE__)
 #include <xmmintrin.h>
#endif

// Every routine's output, bit for bit, against checksums taken from a known-good build.
// Speed work must leave these untouched: any change of operation order, contraction or
// rounding shows up here as a different checksum, even where the sound barely changes.

using namespace frametest;

namespace
{
    /** FNV-1a over the bit patterns of the samples. */
    uint64_t checksum (const std::vector<float>& x)
    {
        uint64_t h = 14695981039346656037ull;

        for (float v : x)
        {
            uint32_t bits;
            std::memcpy (&bits, &v, sizeof (bits));

            for (int b = 0; b < 4; ++b)
            {
                h ^= (bits >> (8 * b)) & 0xffu;
                h *= 1099511628211ull;
            }
        }

        return h;
    }

    /** Defaults; then everything on (diffusion, feedback, vibrato, drive) with the drive
        before and after the delay line. */
    enum Settings { defaults, everythingOnPreDrive, everythingOnPostDrive, numSettings };

    std::vector<float> renderRoutine (const Routine& r, Settings settings)
    {
        auto engine = makeDefaultEngine();
        setMode (*engine, r.mode);

        if (settings != defaults)
        {
            engine->setParameter (feedback, 0.5f);
            engine->setParameter (vibratoDepth, 0.5f);
            engine->setParameter (diffEnable, 1.0f);
            engine->setParameter (drive, 1.0f);
            engine->setParameter (drivePrePost, settings == everythingOnPostDrive ? 1.0f : 0.0f);
        }

        const int n = 12000;
        return render (*engine, r.routine, noise (n, 7), noise (n, 11), { 512, 5, 160, 33 }, false);
    }

    /** The drive's soft clipper starts from the CPU's reciprocal-square-root estimate, which
        differs between processor makers; its checksums hold only where the estimate matches
        the one they were taken with. */
    bool driveEstimateMatchesReference()
    {
        constexpr uint64_t referenceEstimate = 0x40f73e0b3261b325ull;

#if defined(__SSE__)
        uint64_t h = 14695981039346656037ull;

        for (int i = 0; i < 4096; i += 4)
        {
            const __m128 a = _mm_setr_ps (1.0f + 0.01f * i, 1.0f + 0.01f * (i + 1), 1.0f + 0.01f * (i + 2), 1.0f + 0.01f * (i + 3));
            alignas (16) uint32_t bits[4];
            _mm_store_ps (reinterpret_cast<float*> (bits), _mm_rsqrt_ps (a));

            for (uint32_t b : bits)
                h = (h ^ b) * 1099511628211ull;
        }

        return h == referenceEstimate;
#else
        return false;
#endif
    }

    struct Expected
    {
        uint64_t sums[numSettings];
    };
}

TEST (RoutineChecksum, EveryRoutineRendersTheSameBitsAsBefore)
{
    const std::map<std::string, Expected> expected = {
        { "2TapChorusBrightFull", { 0xc5cd8bc8956ccb5aull, 0x2e9e47a379e49daaull, 0x808b7ab7c5ed0caaull } },
        { "2TapChorusBrightHalf", { 0xec3f4cb3295f0ba8ull, 0xbefeb488473b2eddull, 0x03c0b314cd48c2daull } },
        { "2TapChorusDarkFull", { 0x423032b683a7dc2aull, 0xc2cd466737401f16ull, 0xbdf71d8d3b9e4a4full } },
        { "2TapChorusDarkHalf", { 0x0df3fba12969910full, 0xc45f4814245dd469ull, 0x78a9483d5b6495aaull } },
        { "4TapEnsembleBrightFull", { 0x50e4fdfce925cf8aull, 0x9739d7ee6b297e1bull, 0xf75470ba89c4575eull } },
        { "4TapEnsembleBrightHalf", { 0x0c144eff747121eeull, 0xaf3d2cfaef9d682eull, 0x20dc5d05148fc6aaull } },
        { "4TapEnsembleDarkFull", { 0x85a0ffb3ca505296ull, 0xbe03c62da2fa6985ull, 0x205decb1b407cd66ull } },
        { "4TapEnsembleDarkHalf", { 0xc2b9f145e1bc3ccaull, 0x7506c88de482fab0ull, 0x24e42647f22823f0ull } },
        { "SuperSixBrightFull", { 0x161267bb91964813ull, 0x0a6b62f428da8c73ull, 0x5ac3b795ad4faf42ull } },
        { "SuperSixBrightHalf", { 0x46129dab79d7dda7ull, 0x2d382be85669444bull, 0x89313c142edcf506ull } },
        { "SuperSixDarkFull", { 0x6fdc5f2f84194c44ull, 0x0dc26bc6d5710373ull, 0x28e851b2ce975479ull } },
        { "SuperSixDarkHalf", { 0x8d1b4f2c0f8a2ce4ull, 0x71ca4e28f4cddf40ull, 0xe8f68ea5e9daacb4ull } },
        { "6TapRandomBrightFull", { 0x161267bb91964813ull, 0xede435f773dad408ull, 0x8bb50ab04a5ec51full } },
        { "6TapRandomBrightHalf", { 0x46129dab79d7dda7ull, 0x94d25cd09c11c45dull, 0x8af3a1fd5af8760aull } },
        { "6TapRandomDarkFull", { 0x6fdc5f2f84194c44ull, 0x86d080082aa2b8fdull, 0x08d1cb2b57210aafull } },
        { "6TapRandomDarkHalf", { 0x8d1b4f2c0f8a2ce4ull, 0x0fe6fc40f23e1960ull, 0x13fb9112ac141420ull } },
        { "DualEnsembleBrightFull", { 0xe05934d00997ce16ull, 0x070790798af22b22ull, 0x419ce217ae9d94b2ull } },
        { "DualEnsembleBrightHalf", { 0x10c30442ae7d0a13ull, 0x273ae5e23a130c57ull, 0x5b3dd8f9e8f7aedfull } },
        { "DualEnsembleDarkFull", { 0x1c9c7a89d6ffb363ull, 0x566512f0e727157eull, 0x4d807deb5dffdabdull } },
        { "DualEnsembleDarkHalf", { 0x949092e904e47d11ull, 0xcb13a8a047517cd4ull, 0x8926c7fd011d67d5ull } },
        { "8TapBrightFull", { 0xffbc6ee77edf98a8ull, 0x7b9b16fa3f670620ull, 0x3a60024dfcd42c9cull } },
        { "8TapBrightHalf", { 0x97e61583231c6e42ull, 0xd35f7226e281b008ull, 0x8f86ad79db01deb2ull } },
        { "8TapDarkFull", { 0x58ac29b04f54df56ull, 0x339c1a5d1826d3f9ull, 0x3134ae62291594ddull } },
        { "8TapDarkHalf", { 0x269718de7405e31eull, 0x175fe88beffa04a7ull, 0x8362fc22a547f6c1ull } },
        { "16PhaseBrightFull", { 0x8959eff6a90f896full, 0x239d51be6297bc28ull, 0x59a772a69258dfffull } },
        { "16PhaseBrightHalf", { 0xa3e23679343696beull, 0xf7a7b3b524da29f9ull, 0x00f4e580208ac37eull } },
        { "16PhaseDarkFull", { 0xe047fc69ecef5d9cull, 0x4e5c3314500d7bb0ull, 0xacfd82a2479b1076ull } },
        { "16PhaseDarkHalf", { 0x36c84b53ec73ce5dull, 0x4649f1330f264fbbull, 0xf0efe374cdcda6f9ull } },
        { "16TapBrightFull", { 0x404e0b5eab08ee7bull, 0xb765b7301f24ed8cull, 0xd85ecfa7bda69f8bull } },
        { "16TapBrightHalf", { 0x8ff6cc01c9b420f2ull, 0xbe5eaee24a85b0cdull, 0xd2fc7b5b75eb088bull } },
        { "16TapDarkFull", { 0x30aef69eca7cc322ull, 0xf03116b5bfc72a1eull, 0x40a31ccc238917baull } },
        { "16TapDarkHalf", { 0x63076b6c09d29c6full, 0x1ce5c3c818cccf1dull, 0xc6e58dadc25bf5f6ull } },
        { "32TapBrightFull", { 0x9474bbc907bee364ull, 0xc308970fda40396full, 0xa142a14fd981da5dull } },
        { "32TapBrightHalf", { 0xf65b2bc6fa84d4b5ull, 0x3aea9f5a5bee2d61ull, 0x172cab67285c7919ull } },
        { "32TapDarkFull", { 0x2e10b66608ddd6a2ull, 0xd619124c3547eaa9ull, 0x33a0afd0f176088aull } },
        { "32TapDarkHalf", { 0x01ef1eacac077553ull, 0x1f56c9b72f038eb0ull, 0x4da57f960954ee6full } },
    };

    const bool checkDrive = driveEstimateMatchesReference();

    for (const auto& r : allRoutines())
    {
        const auto found = expected.find (r.name);
        uint64_t sums[numSettings];

        for (int s = 0; s < numSettings; ++s)
            sums[s] = checksum (renderRoutine (r, static_cast<Settings> (s)));

        const bool known = found != expected.end();
        EXPECT_TRUE (known) << r.name << " has no stored checksums";
        EXPECT_TRUE (! known || sums[defaults] == found->second.sums[defaults]) << r.name << " at defaults";

        if (checkDrive)
        {
            for (int s = everythingOnPreDrive; s < numSettings; ++s)
                EXPECT_TRUE (! known || sums[s] == found->second.sums[s]) << r.name << " with everything on, settings " << s;
        }

        if (HasFailure())
            std::printf ("        { \"%s\", { 0x%016llxull, 0x%016llxull, 0x%016llxull } },\n", r.name.c_str(),
                         static_cast<unsigned long long> (sums[0]), static_cast<unsigned long long> (sums[1]),
                         static_cast<unsigned long long> (sums[2]));
    }

    if (! checkDrive)
        GTEST_SKIP() << "this CPU's reciprocal-square-root estimate differs from the reference one; drive settings not compared (defaults were)";
}
