// Loads the built VST3 and LV2 bundles the way a host does and runs them through
// the real wrapper code: parameters under their identifiers, bypass, audio.
#include <gtest/gtest.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace
{
    const juce::StringArray identifiers {
        "Mix", "Depth", "StereoWidth", "Delay", "Feedback", "Spread", "Slope", "Skew", "Random",
        "TapGain", "Diffusion", "DiffSize", "DiffModRate", "DiffModDepth", "LowCut", "HighCut",
        "SpatialXover", "DetuneRate", "DetuneDepth", "VibratoRate", "VibratoDepth", "OverMod",
        "DriveInGain", "DriveOutGain", "DriveNoiseGain", "FeedbackRotate", "SmoothingTime",
        "ColorMode", "DelaySync", "type", "DiffEnable", "Drive", "DrivePrePost", "Speed", "InputPan"
    };

    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;

    struct Format
    {
        const char* name;
        std::function<std::unique_ptr<juce::AudioPluginFormat>()> create;
        juce::String fileOrIdentifier;
        std::function<void (juce::AudioPluginFormat&)> prepare;
    };

    std::unique_ptr<juce::AudioPluginInstance> load (const Format& format)
    {
        auto pluginFormat = format.create();
        format.prepare (*pluginFormat);

        juce::OwnedArray<juce::PluginDescription> found;
        pluginFormat->findAllTypesForFile (found, format.fileOrIdentifier);
        if (found.size() != 1)
            return {};

        juce::String error;
        auto instance = pluginFormat->createInstanceFromDescription (*found[0], sampleRate, blockSize, error);
        EXPECT_TRUE (error.isEmpty()) << error;
        return instance;
    }

    std::vector<Format> formats()
    {
        return {
            { "VST3",
              [] { return std::make_unique<juce::VST3PluginFormat>(); },
              QUILLMOR_VST3_BUNDLE,
              [] (juce::AudioPluginFormat&) {} },
            { "LV2",
              [] { return std::make_unique<juce::LV2PluginFormat>(); },
              QUILLMOR_LV2_URI,
              [] (juce::AudioPluginFormat& format)
              {
                  format.searchPathsForPlugins (juce::FileSearchPath (juce::File (QUILLMOR_LV2_BUNDLE).getParentDirectory().getFullPathName()),
                                                true, false);
              } },
        };
    }

    /** The hosted parameter called `name`, or nullptr. */
    juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& instance, const juce::String& name)
    {
        for (auto* parameter : instance.getParameters())
            if (parameter->getName (100) == name)
                return parameter;

        return nullptr;
    }

    juce::AudioBuffer<float> makeSignal (int numSamples)
    {
        juce::AudioBuffer<float> signal (2, numSamples);

        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < numSamples; ++i)
                signal.setSample (channel, i, 0.5f * std::sin (juce::MathConstants<float>::twoPi * (330.0f + 110.0f * channel) * i / 48000.0f));

        return signal;
    }

    /** Runs `audio` through the instance in host-sized blocks. */
    void render (juce::AudioPluginInstance& instance, juce::AudioBuffer<float>& audio, bool bypassed = false)
    {
        juce::MidiBuffer midi;

        for (int start = 0; start < audio.getNumSamples(); start += blockSize)
        {
            juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), 2, start,
                                            std::min (blockSize, audio.getNumSamples() - start));
            if (bypassed)
                instance.processBlockBypassed (block, midi);
            else
                instance.processBlock (block, midi);
        }
    }

    void PrintTo (const Format& format, std::ostream* os) { *os << format.name; }

    /** What a host that keeps its own copy of every value has been told: the last value
        each hosted parameter received from the plug-in, NaN until it received one. */
    struct AnnouncedValues : juce::AudioProcessorParameter::Listener
    {
        explicit AnnouncedValues (juce::AudioPluginInstance& hosted) : instance (hosted)
        {
            forget();
            for (auto* parameter : instance.getParameters())
                parameter->addListener (this);
        }

        ~AnnouncedValues() override
        {
            for (auto* parameter : instance.getParameters())
                parameter->removeListener (this);
        }

        void forget() { values.assign ((size_t) instance.getParameters().size(), std::numeric_limits<float>::quiet_NaN()); }

        float of (const juce::String& identifier) const
        {
            return values[(size_t) findParameter (instance, identifier)->getParameterIndex()];
        }

        void parameterValueChanged (int index, float value) override { values[(size_t) index] = value; }
        void parameterGestureChanged (int, bool) override {}

        juce::AudioPluginInstance& instance;
        std::vector<float> values;
    };

    class PluginWrapper : public ::testing::TestWithParam<Format> {};
}

TEST_P (PluginWrapper, ExposesTheParametersUnderTheirIdentifiers)
{
    auto instance = load (GetParam());
    ASSERT_NE (instance, nullptr);

    EXPECT_EQ (instance->getName(), "QuillmorPelowin");

    for (const auto& identifier : identifiers)
    {
        auto* parameter = findParameter (*instance, identifier);
        ASSERT_NE (parameter, nullptr) << identifier;
        EXPECT_FLOAT_EQ (parameter->getValue(), parameter->getDefaultValue()) << identifier;
    }

    EXPECT_FLOAT_EQ (findParameter (*instance, "Mix")->getDefaultValue(), 0.5f);
    EXPECT_FLOAT_EQ (findParameter (*instance, "InputPan")->getDefaultValue(), 0.125f);
}

TEST_P (PluginWrapper, RendersAudio)
{
    auto instance = load (GetParam());
    ASSERT_NE (instance, nullptr);

    ASSERT_TRUE (instance->setBusesLayout ({ { juce::AudioChannelSet::stereo() }, { juce::AudioChannelSet::stereo() } }));
    instance->prepareToPlay (sampleRate, blockSize);

    findParameter (*instance, "Mix")->setValue (0.8f);
    findParameter (*instance, "Feedback")->setValue (0.4f);
    findParameter (*instance, "Depth")->setValue (0.9f);
    findParameter (*instance, "ColorMode")->setValue (1.0f);
    EXPECT_FLOAT_EQ (findParameter (*instance, "Feedback")->getValue(), 0.4f);

    const auto input = makeSignal (48000);
    auto output = input;
    render (*instance, output);

    double difference = 0.0, energy = 0.0;
    for (int channel = 0; channel < 2; ++channel)
    {
        for (int i = 0; i < output.getNumSamples(); ++i)
        {
            const float sample = output.getSample (channel, i);
            ASSERT_TRUE (std::isfinite (sample)) << "channel " << channel << " sample " << i;
            energy += sample * sample;
            difference += std::abs (sample - input.getSample (channel, i));
        }
    }

    EXPECT_GT (energy / 96000.0, 0.01) << "not silent";
    EXPECT_GT (difference / 96000.0, 0.01) << "not the input";

    instance->releaseResources();
}

TEST_P (PluginWrapper, EveryChorusModeRendersAudioInEitherColourAndSpeed)
{
    // Each mode's instance runs the same four colour and speed settings in turn; each
    // of its outputs must differ from the first mode's output for the same settings.
    const auto input = makeSignal (8 * blockSize);
    const std::pair<float, float> settings[] = { { 0.0f, 0.0f }, { 1.0f, 0.0f }, { 0.0f, 1.0f }, { 1.0f, 1.0f } };
    std::vector<juce::AudioBuffer<float>> firstMode;

    for (int item = 1; item <= 9; ++item)
    {
        auto instance = load (GetParam());
        ASSERT_NE (instance, nullptr);
        instance->prepareToPlay (sampleRate, blockSize);
        findParameter (*instance, "Mix")->setValue (1.0f);

        // Half a step above the item, so that no rounding lands on the item below.
        findParameter (*instance, "type")->setValue ((static_cast<float> (item) + 0.5f) / 24.0f);

        for (size_t k = 0; k < 4; ++k)
        {
            const auto [colour, speed] = settings[k];
            findParameter (*instance, "ColorMode")->setValue (colour);
            findParameter (*instance, "Speed")->setValue (speed);

            auto output = input;
            render (*instance, output);

            double energy = 0.0, difference = 0.0;
            for (int channel = 0; channel < 2; ++channel)
            {
                for (int i = 0; i < output.getNumSamples(); ++i)
                {
                    const float sample = output.getSample (channel, i);
                    ASSERT_TRUE (std::isfinite (sample)) << "item " << item << " channel " << channel << " sample " << i;
                    energy += sample * sample;

                    if (item > 1)
                        difference += std::fabs (sample - firstMode[k].getSample (channel, i));
                }
            }

            EXPECT_GT (energy, 10.0) << "item " << item << " colour " << colour << " speed " << speed;

            if (item == 1)
                firstMode.push_back (output);
            else
                EXPECT_GT (difference, 1.0) << "item " << item << " sounds like item 1; colour " << colour << " speed " << speed;
        }

        instance->releaseResources();
    }
}

TEST_P (PluginWrapper, BypassPassesTheInputThrough)
{
    auto instance = load (GetParam());
    ASSERT_NE (instance, nullptr);
    instance->prepareToPlay (sampleRate, blockSize);

    // Both wrappers add a bypass switch of their own (VST3's Bypass, LV2's enabled port);
    // a host turns it on while it calls the bypassed render.
    auto* bypass = instance->getBypassParameter();
    ASSERT_NE (bypass, nullptr);
    bypass->setValue (1.0f);

    const auto input = makeSignal (4 * blockSize);
    auto output = input;
    render (*instance, output, true);

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < output.getNumSamples(); ++i)
            ASSERT_EQ (output.getSample (channel, i), input.getSample (channel, i));

    instance->releaseResources();
}

TEST_P (PluginWrapper, HostStateSurvivesSaveAndRestore)
{
    auto source = load (GetParam());
    auto destination = load (GetParam());
    ASSERT_NE (source, nullptr);
    ASSERT_NE (destination, nullptr);
    source->prepareToPlay (sampleRate, blockSize);
    destination->prepareToPlay (sampleRate, blockSize);

    // Values whose text form must carry every bit, set the way a host sets them.
    const float values[] = { 0.3f, 1.0f / 3.0f, 0.99999994f, 0.0f, 1.0f, 1.0e-7f, 0.123456789f };

    for (int i = 0; i < identifiers.size(); ++i)
        findParameter (*source, identifiers[i])->setValue (values[i % 7]);

    auto audio = makeSignal (blockSize);
    render (*source, audio);

    juce::MemoryBlock state;
    source->getStateInformation (state);
    destination->setStateInformation (state.getData(), (int) state.getSize());
    render (*destination, audio);

    for (int i = 0; i < identifiers.size(); ++i)
        EXPECT_EQ (findParameter (*destination, identifiers[i])->getValue(), values[i % 7]) << identifiers[i];

    source->releaseResources();
    destination->releaseResources();
}

INSTANTIATE_TEST_SUITE_P (Formats, PluginWrapper, ::testing::ValuesIn (formats()),
                          [] (const auto& info) { return std::string (info.param.name); });

TEST (LV2Host, LearnsEveryValueFromTheFirstBlockAfterInstantiationAndAfterEachRestore)
{
    const auto lv2 = formats()[1];
    auto source = load (lv2);
    auto destination = load (lv2);
    ASSERT_NE (source, nullptr);
    ASSERT_NE (destination, nullptr);

    // No prepareToPlay: JUCE's LV2 host answers it with a new instance and a state restore,
    // which would announce the values whether instantiation does or not.
    AnnouncedValues announced (*destination);
    auto audio = makeSignal (blockSize);
    render (*destination, audio);

    // The host reads the defaults from the bundle's description, written with six digits.
    for (const auto& identifier : identifiers)
        EXPECT_NEAR (announced.of (identifier), findParameter (*destination, identifier)->getDefaultValue(), 1.0e-6) << identifier;

    const auto restoredValue = [] (int i) { return static_cast<float> (i + 1) / 37.0f; };   // no default among them
    for (int i = 0; i < identifiers.size(); ++i)
        findParameter (*source, identifiers[i])->setValue (restoredValue (i));

    render (*source, audio);
    juce::MemoryBlock state;
    source->getStateInformation (state);

    announced.forget();
    destination->setStateInformation (state.getData(), (int) state.getSize());
    render (*destination, audio);

    for (int i = 0; i < identifiers.size(); ++i)
        EXPECT_EQ (announced.of (identifiers[i]), restoredValue (i)) << identifiers[i];
}

TEST (LV2Bundle, DeclaresEveryParameterUnderItsIdentifier)
{
    const juce::File bundle (QUILLMOR_LV2_BUNDLE);
    const auto turtle = bundle.getChildFile ("dsp.ttl").loadFileAsString();
    ASSERT_TRUE (turtle.isNotEmpty());

    const auto prefix = turtle.fromFirstOccurrenceOf ("@prefix plug:", false, false).upToFirstOccurrenceOf ("\n", false, false);
    EXPECT_EQ (prefix.trim(), "<" QUILLMOR_LV2_URI ":> .");

    for (const auto& identifier : identifiers)
        EXPECT_TRUE (turtle.contains ("plug:" + identifier + "\n\ta lv2:Parameter ;")) << identifier;

    int declared = 0;
    for (int at = turtle.indexOf ("a lv2:Parameter"); at >= 0; at = turtle.indexOf (at + 1, "a lv2:Parameter"))
        ++declared;
    EXPECT_EQ (declared, 35);

    EXPECT_TRUE (bundle.getChildFile ("manifest.ttl").loadFileAsString().contains ("<" QUILLMOR_LV2_URI ">"));
}
