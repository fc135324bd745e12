#include "QuillmorChorusEngine.h"
#include "QuillmorVector.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <cstdlib>
#include <new>

namespace
{
    constexpr int blockSize = QuillmorChorusEngine::controlBlockSize;
    constexpr int oversampledSize = 2 * QuillmorChorusEngine::controlBlockSize;
    constexpr float emphasisHz = 2128.0f;
    constexpr float initialSmoothingMs = 500.0f;
    constexpr float mixSmoothingMs = 50.0f;
    constexpr float lowestHighpassHz = 5.0f;
} // namespace

QuillmorChorusEngine::QuillmorChorusEngine()
{
    // sampleRate, controlDivisor and the parameter-derived starting values come
    // from the member initialisers.
    for (auto& line : delayLines)
        line.setCapacity (mainDelayCapacity);

    allocateBlockBuffers();
    blockPosition = 0;

    designEmphasisAllpass();

    for (int c = 0; c < 2; ++c)
    {
        lowCutFilters[c].reset();
        driveHighpassFilters[c].reset();
        driveHighCutFilters[c].reset();
        allpassZeroFilters[c].reset();
        allpassPoleFilters[c].reset();
        spatialXoverFilters[c].reset();
    }
    for (auto& filter : highCutFilters)
        filter.reset();

    smoothingTimeMs = initialSmoothingMs;
    controlSmoothingCoefficient = QuillmorSmoother::timeToCoefficient (initialSmoothingMs, sampleRate / controlDivisor);
    for (auto& diffuser : diffusers)
        diffuser.setSmoothingTime (initialSmoothingMs);

    mixSmoothingCoefficient = QuillmorSmoother::timeToCoefficient (mixSmoothingMs, sampleRate);

    for (auto& diffuser : diffusers)
    {
        diffuser.setStageCapacity (16300);
        diffuser.setControlDivisor (controlBlockSize);
        diffuser.setSampleRate (sampleRate);
        diffuser.setNumStages (6);
        diffuser.setSize (20.0f);
        diffuser.setSizeImmediate (20.0f);
        diffuser.setAllpassGain (0.707f);
        diffuser.setModRate (0.5f);
        diffuser.setModDepth (0.5f);
        diffuser.setRateRatio (1.119f);
        diffuser.setSmoothingTime (smoothingTimeMs);
    }
    // Different stage spacings per channel decorrelate the two diffusers.
    diffusers[0].setStageRatio (1.4436028f);
    diffusers[1].setStageRatio (1.3656428f);

    std::fill (std::begin (tapPositionsLeft), std::end (tapPositionsLeft), 1.0f);
    std::fill (std::begin (tapPositionsRight), std::end (tapPositionsRight), 1.0f);

    initPhaseTables();

    designDriveHighpass();

    noises[0].setSeed (1235);
    noises[1].setSeed (3737);
}

QuillmorChorusEngine::~QuillmorChorusEngine()
{
    freeBlockBuffers();
}

void QuillmorChorusEngine::allocateBlockBuffers()
{
    const auto allocate = [this] (int count)
    {
        auto* buffer = static_cast<float*> (std::malloc (sizeof (float) * static_cast<size_t> (count)));
        if (buffer == nullptr)
        {
            // The destructor does not run for a half-built engine.
            freeBlockBuffers();
            throw std::bad_alloc();
        }
        return buffer;
    };

    for (auto*& buffer : blockBuffers)
        buffer = allocate (blockSize);
    for (auto*& buffer : oversampledBuffers)
        buffer = allocate (oversampledSize);
    for (int c = 0; c < 2; ++c)
    {
        feedbackBuffers[c] = allocate (blockSize);
        fifoBuffers[c] = allocate (blockSize);
        crossoverLowBuffers[c] = allocate (blockSize);
        crossoverHighBuffers[c] = allocate (blockSize);
    }

    clearBlockBuffers();
}

void QuillmorChorusEngine::clearBlockBuffers() noexcept
{
    for (int c = 0; c < 2; ++c)
    {
        quillmor::vec::clear (fifoBuffers[c], blockSize);
        quillmor::vec::clear (feedbackBuffers[c], blockSize);
        quillmor::vec::clear (crossoverLowBuffers[c], blockSize);
        quillmor::vec::clear (crossoverHighBuffers[c], blockSize);
    }
    for (auto* buffer : blockBuffers)
        quillmor::vec::clear (buffer, blockSize);
    for (auto* buffer : oversampledBuffers)
        quillmor::vec::clear (buffer, oversampledSize);
}

void QuillmorChorusEngine::freeBlockBuffers() noexcept
{
    for (auto*& buffer : blockBuffers)
    {
        std::free (buffer);
        buffer = nullptr;
    }
    for (auto*& buffer : oversampledBuffers)
    {
        std::free (buffer);
        buffer = nullptr;
    }
    for (int c = 0; c < 2; ++c)
    {
        for (float** buffer : { &feedbackBuffers[c], &fifoBuffers[c], &crossoverLowBuffers[c], &crossoverHighBuffers[c] })
        {
            std::free (*buffer);
            *buffer = nullptr;
        }
    }
}

void QuillmorChorusEngine::designEmphasisAllpass() noexcept
{
    // Split into a zero half before the delay-line write and a pole half after
    // the read; together they are (a + z^-1) / (1 + a z^-1).
    QuillmorFirstOrderFilter::setAllpass (filterDesign, emphasisHz, sampleRate);
    for (auto& filter : allpassZeroFilters)
        filter.setCoefficients (0.0f, filterDesign[0], filterDesign[1]);
    for (auto& filter : allpassPoleFilters)
        filter.setCoefficients (filterDesign[2], 1.0f, 0.0f);
}

void QuillmorChorusEngine::designDriveHighpass() noexcept
{
    QuillmorFirstOrderFilter::setHighpass (filterDesign, std::max (driveHighpassHz, lowestHighpassHz), sampleRate);
    for (auto& filter : driveHighpassFilters)
        filter.copyCoefficients (filterDesign);
}

void QuillmorChorusEngine::setSampleRate (int rate) noexcept
{
    // The processor passes the host rate truncated to whole hertz; a rate of 0
    // or below would divide every control-rate formula by zero.
    if (rate <= 0)
        return;

    const float newRate = static_cast<float> (rate);
    if (newRate == sampleRate)
        return;

    sampleRate = newRate;
    reset();
    designEmphasisAllpass();

    for (int index : { delayParameter, lowCutParameter, highCutParameter, spatialXoverParameter, smoothingTimeParameter,
                       depthParameter, detuneDepthParameter, vibratoDepthParameter, overModParameter })
        parameterChanged (index);

    updateDetuneRates (chorusMode);
    updateVibratoRates (chorusMode);

    for (auto& diffuser : diffusers)
        diffuser.setSampleRate (sampleRate);

    mixSmoothingCoefficient = QuillmorSmoother::timeToCoefficient (mixSmoothingMs, sampleRate);

    designDriveHighpass();
}

void QuillmorChorusEngine::reset() noexcept
{
    for (int c = 0; c < 2; ++c)
    {
        delayLines[c].clear();
        lowCutFilters[c].reset();
        highCutFilters[c].reset();
        allpassZeroFilters[c].reset();
        allpassPoleFilters[c].reset();
        diffusers[c].clear();
        driveHighpassFilters[c].reset();
        spatialXoverFilters[c].reset();
    }

    clearBlockBuffers();
}
