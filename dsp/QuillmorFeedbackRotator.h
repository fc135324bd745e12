#pragma once

/** The 2 x 2 rotation that moves feedback between the two channels.

    An orthogonal matrix for every angle, so it trades signal between the
    channels without changing the energy of the pair: a full-scale rotation
    cannot make the feedback loop louder. The engine runs `rotate` on its own
    16-sample blocks; the words stay public because the engine passes
    `negSinAngle` by address as a vector scalar.
*/
class QuillmorFeedbackRotator
{
public:
    /** Allocates and clears the two 64-float scratch buffers. */
    QuillmorFeedbackRotator();
    /** Releases the scratch buffers. */
    ~QuillmorFeedbackRotator();

    QuillmorFeedbackRotator (const QuillmorFeedbackRotator&) = delete;
    QuillmorFeedbackRotator& operator= (const QuillmorFeedbackRotator&) = delete;

    /** Sets the angle to amount x pi/2 (amount 0 to 1: 0 keeps each channel, 1 is a quarter turn). */
    void setRotation (float amount) noexcept;

    /** outA = cos a - sin b, outB = sin a + cos b over n samples (n at most 64).
        The outputs may alias the inputs: both results are formed before outA is written. */
    void rotate (const float* a, const float* b, float* outA, float* outB, int n) noexcept;

    static constexpr int scratchSize = 64;

    float sinAngle = 0.0f;
    float cosAngle = 1.0f;
    float negSinAngle = -0.0f;
    float* scratch[2] = { nullptr, nullptr };
};
