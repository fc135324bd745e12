#pragma once

/** A one-pole smoother: one value that glides towards a target.

    The same one-pole also runs as a lowpass over a block, for which the
    smoother keeps a 128-float work buffer. The engine and the diffuser run
    the glide and the lowpass directly on the public members.
*/
class QuillmorSmoother
{
public:
    /** Longest block the lowpass takes, in samples. */
    static constexpr int maxBlockSize = 128;

    /** Allocates and clears the work buffer; the value starts at 0. */
    QuillmorSmoother();
    /** Releases the work buffer. */
    ~QuillmorSmoother();

    QuillmorSmoother (const QuillmorSmoother&) = delete;
    QuillmorSmoother& operator= (const QuillmorSmoother&) = delete;

    /** Sets the value to 0. */
    void reset() noexcept;

    /** Jumps to v without gliding. */
    void setValue (float v) noexcept;

    /** The glide coefficient whose time constant is ms milliseconds when the glide
        runs rate times a second: 1 - exp(-1000 / (ms rate)). ms x rate must be positive. */
    static float timeToCoefficient (float ms, float rate) noexcept;

    /** The coefficient of a one-pole lowpass with its corner at hz Hz when it runs
        at rate Hz: 1 - exp(-2 pi hz / rate). */
    static float frequencyToCoefficient (float hz, float rate) noexcept;

    /** One glide step towards target with coefficient c; returns the new value. */
    float glide (float target, float c) noexcept
    {
        value = (target - value) * c + value;
        return value;
    }

    /** Runs y[i] = (1 - c) y[i-1] + c x[i] over n samples of x in place (n at most 128),
        starting from and ending in `value`. */
    void lowpass (float* x, int n, float c) noexcept;

    float value = 0.0f;
    float* buffer = nullptr;
};
