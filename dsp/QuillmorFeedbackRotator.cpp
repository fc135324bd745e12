#include "QuillmorFeedbackRotator.h"
#include "QuillmorVector.h"

#include <cmath>
#include <cstdlib>

QuillmorFeedbackRotator::QuillmorFeedbackRotator()
{
    for (auto*& buffer : scratch)
    {
        buffer = static_cast<float*> (std::malloc (scratchSize * sizeof (float)));
        quillmor::vec::clear (buffer, scratchSize);
    }
}

QuillmorFeedbackRotator::~QuillmorFeedbackRotator()
{
    for (auto* buffer : scratch)
        std::free (buffer);
}

void QuillmorFeedbackRotator::setRotation (float amount) noexcept
{
    const float x = amount * 1.5707964f;
    sinAngle = std::sin (x);
    cosAngle = std::cos (x);
    negSinAngle = -sinAngle;
}

void QuillmorFeedbackRotator::rotate (const float* a, const float* b, float* outA, float* outB, int n) noexcept
{
    // outB is written before outA, and outA may be b: keep the new outA in
    // scratch[1] until outB has been formed from the untouched inputs.
    quillmor::vec::scalarMultiply (a, cosAngle, scratch[0], n);
    quillmor::vec::scalarMultiplyAdd (b, negSinAngle, scratch[0], scratch[1], n);
    quillmor::vec::scalarMultiply (a, sinAngle, scratch[0], n);
    quillmor::vec::scalarMultiplyAdd (b, cosAngle, scratch[0], outB, n);
    quillmor::vec::copy (scratch[1], outA, n);
}
