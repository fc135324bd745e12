#pragma once

#include <cstdint>

/** The modulated delay line: a power-of-two ring of floats read by up to 32 taps.

    Blocks are stored at decreasing ring indices: sample s of a block goes to
    ring[(writePosition - s) & mask], and a read of sample i at delay D looks at
    ring[(writePosition - i + floor D) & mask] and its older neighbour one index
    up. After all reads of a block the owner moves writePosition back by the
    block length. The engine writes, reads and advances; a diffuser stage reads,
    writes and advances.

    On every read a tap glides linearly, sample by sample, from the delay it
    reached last time to the new one, and the ring is read between two samples
    with either first-order allpass interpolation (Bright) or linear
    interpolation (Dark). The ring, positions and scratch buffers are public
    because the engine and the diffuser drive them directly.
*/
class QuillmorMultiTapDelay
{
public:
    static constexpr int numTaps = 32;
    /** Longest block a read takes, in samples; also the scratch length. */
    static constexpr int maxBlockSize = 128;
    static constexpr int allpassTableSize = 256;
    /** Shortest ring, in samples: a sample and its older neighbour. */
    static constexpr long minimumCapacity = 2;
    /** Longest ring, in samples: every index up to it is still exact as a float delay. */
    static constexpr long maximumCapacity = 1L << 24;

    /** Builds a silent 32768-sample ring, the scratch buffers and the allpass table. */
    QuillmorMultiTapDelay();
    /** Releases the ring and the scratch buffers. */
    ~QuillmorMultiTapDelay();

    QuillmorMultiTapDelay (const QuillmorMultiTapDelay&) = delete;
    QuillmorMultiTapDelay& operator= (const QuillmorMultiTapDelay&) = delete;

    /** Resizes the ring to the smallest power of two not below samples (2 to 2^24).
        Only a changed length reallocates: the new ring is silent, the write position
        and the allpass states start at 0. Allocates: never call it while audio runs. */
    void setCapacity (long samples);

    /** Silences the ring, the allpass states and S0 to S4; the write position and
        the taps' last delays stay. */
    void clear() noexcept;

    /** Stores n samples at decreasing indices from the write position (which stays). */
    void writeBlock (const float* in, int n) noexcept;

    /** Moves the write position back by n samples, after every read of the block. */
    void advance (int n) noexcept;

    /** Reads n samples (n a multiple of 4, at most 128) of tap `tap` (0 to 31) into out,
        allpass-interpolated, gliding from the tap's last delay to `delay` samples by
        (delay - last) x rampStep per sample, scaled by gain. */
    void readTapsAllpass (float* out, int n, int tap, float delay, float gain, float rampStep) noexcept;

    /** As readTapsAllpass, with linear interpolation between the two neighbours. */
    void readTapsLinear (float* out, int n, int tap, float delay, float gain, float rampStep) noexcept;

    /** Most taps that one group read takes. */
    static constexpr int maxGroupSize = 4;

    /** Reads `count` taps (1 to maxGroupSize), tap firstTap + j gliding to targets[j] samples with
        gain gains[j] into out[j], with exactly the results of that many readTapsAllpass calls.
        The taps' glides and interpolators run side by side, so their latencies overlap. */
    void readTapGroupAllpass (float* const* out, int count, int n, int firstTap, const float* targets,
                              const float* gains, float rampStep) noexcept;

    /** As readTapGroupAllpass, with the results of readTapsLinear. */
    void readTapGroupLinear (float* const* out, int count, int n, int firstTap, const float* targets,
                             const float* gains, float rampStep) noexcept;

    /** The glide of every read, for owners that read in two steps: fills delays, wholeDelays
        and fractions for n samples from tapDelay[tap] towards `delay` (samples), then stores the
        target in tapDelay[tap]. Delays are held between shortestDelay and the longest the ring
        holds, which keeps every table index and ring read valid; in-range delays are untouched.
        The tap reads run the same steps, and leave a single tap's delays in `delays` too. */
    void glide (int tap, float delay, float rampStep, int n, float shortestDelay) noexcept;

    /** Allpass-interpolated read of the glided delays into S0, through tapState[tap]. */
    void interpolateAllpass (int tap, int n) noexcept;

    /** Linearly interpolated read of the glided delays into S4. */
    void interpolateLinear (int n) noexcept;

    float* ring = nullptr;
    int64_t writePosition = 0;
    int64_t mask = 32767;
    float tapState[numTaps] = {};
    float tapDelay[numTaps] = {};
    int64_t size = 32768;
    float allpassTable[allpassTableSize] = {};

    float* scratch[5] = {};   // S0 to S4
    float* delays = nullptr;  // per-sample delay in samples
    float* fractions = nullptr; // fractional delays
    int32_t* wholeDelays = nullptr;
};
