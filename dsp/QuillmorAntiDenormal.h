#pragma once

/** A tiny offset added to a block whose sign flips after every block.

    Decaying feedback would otherwise sink into denormal numbers, which cost
    hundreds of cycles each on x86. The alternating sign keeps the added DC at
    zero on average. The engine owns one per channel and runs `apply` on it
    directly once per control block.
*/
class QuillmorAntiDenormal
{
public:
    QuillmorAntiDenormal() = default;

    /** Adds the current offset to n samples of x in place, then flips its sign. */
    void apply (float* x, int n) noexcept;

    /** The offset the next `apply` adds; starts at +1e-15. */
    float offset = 1e-15f;
};
