// Parameter identifiers, display texts and the number formats behind them.
#include <QuillmorPelowinText.h>
#include <QuillmorPelowin.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

using quillmor::text::equalsIgnoringAsciiCase;
using quillmor::text::formatTwoDecimals;
using quillmor::text::formatXmlNumber;

namespace
{
const char* const expectedIdentifiers[] = {
    "Mix", "Depth", "StereoWidth", "Delay", "Feedback", "Spread", "Slope", "Skew", "Random",
    "TapGain", "Diffusion", "DiffSize", "DiffModRate", "DiffModDepth", "LowCut", "HighCut",
    "SpatialXover", "DetuneRate", "DetuneDepth", "VibratoRate", "VibratoDepth", "OverMod",
    "DriveInGain", "DriveOutGain", "DriveNoiseGain", "FeedbackRotate", "SmoothingTime",
    "ColorMode", "DelaySync", "type", "DiffEnable", "Drive", "DrivePrePost", "Speed", "InputPan"
};
} // namespace

TEST (TwoDecimalFormat, RoundsHalfAwayFromZeroOnTheExactBinaryValue)
{
    const std::pair<float, const char*> cases[] = {
        { 50.0f, "50.00" }, { 0.5f, "0.50" }, { -6.0f, "-6.00" }, { 20000.0f, "20000.00" }, { 0.0f, "0.00" },
        // 0.125 is exact: 12.5 + 0.5 truncates to 13 (printf's "%.2f" gives "0.12").
        { 0.125f, "0.13" }, { -0.125f, "-0.13" },
        // 2.675f is 2.67499995..., 0.015f is 0.01499999..., 99.995f is 99.99500275...
        { 2.675f, "2.67" }, { 0.015f, "0.01" }, { 99.995f, "100.00" }, { -99.995f, "-100.00" },
        // Anything below zero keeps its sign, even when its digits round to zero.
        { -0.004f, "-0.00" }, { 0.004f, "0.00" }, { -std::numeric_limits<float>::denorm_min(), "-0.00" },
        { -0.0f, "0.00" },
        // Beyond the integer range the digits still come out, and nothing overflows.
        { 1.0e30f, "1000000015047466219876688855040.00" },
        { std::numeric_limits<float>::infinity(), "inf" }, { -std::numeric_limits<float>::infinity(), "-inf" },
    };

    for (const auto& [value, expected] : cases)
        EXPECT_EQ (formatTwoDecimals (value), expected) << value;
}

TEST (XmlNumberFormat, TwentySignificantDigitsWithoutTrailingZeros)
{
    EXPECT_EQ (formatXmlNumber (0.0), "0");
    EXPECT_EQ (formatXmlNumber (0.125f), "0.125");
    EXPECT_EQ (formatXmlNumber (0.99999994f), "0.99999994039535522461");
    // Below 0.0001 the exponent form takes over.
    EXPECT_EQ (formatXmlNumber (1.0e-5f), "9.9999997473787516356e-06");
    EXPECT_EQ (formatXmlNumber (std::numeric_limits<float>::denorm_min()), "1.4012984643248170709e-45");
}

TEST (XmlNumberFormat, EveryFloatReadsBackBitExactly)
{
    std::mt19937 random (12345);
    std::uniform_int_distribution<std::uint32_t> bits;

    for (int i = 0; i < 20000; ++i)
    {
        std::uint32_t pattern = bits (random);
        float value;
        std::memcpy (&value, &pattern, sizeof (value));

        if (! std::isfinite (value))
            continue;

        const auto text = formatXmlNumber (value);
        const auto throughJuce = static_cast<float> (juce::String (text).getDoubleValue());
        const auto throughLibc = static_cast<float> (std::strtod (text.c_str(), nullptr));
        ASSERT_EQ (std::memcmp (&throughJuce, &value, sizeof (value)), 0) << text;
        ASSERT_EQ (std::memcmp (&throughLibc, &value, sizeof (value)), 0) << text;
    }
}

TEST (AsciiCaseMatching, IgnoresOnlyTheCaseOfAsciiLetters)
{
    EXPECT_TRUE (equalsIgnoringAsciiCase ("MIX", "mix"));
    EXPECT_TRUE (equalsIgnoringAsciiCase ("quillmorpelowin", "QuillmorPelowin"));
    EXPECT_TRUE (equalsIgnoringAsciiCase ("", ""));
    EXPECT_FALSE (equalsIgnoringAsciiCase ("Mix", "Mi"));
    EXPECT_FALSE (equalsIgnoringAsciiCase ("Mi", "Mix"));
    // '@' and '`' differ only in the bit that flips letter case, but are no letters.
    EXPECT_FALSE (equalsIgnoringAsciiCase ("a@", "a`"));
    // Letters beyond ASCII compare byte for byte: I-umlaut and i-umlaut differ.
    EXPECT_FALSE (equalsIgnoringAsciiCase ("M\xc3\x8fx", "M\xc3\xafx"));
    EXPECT_TRUE (equalsIgnoringAsciiCase ("M\xc3\xafX", "m\xc3\xafx"));
}

TEST (UntrustedXmlGuard, PassesOnlyOneWholeElementInWellFormedUtf8)
{
    const std::pair<std::string, bool> cases[] = {
        { "<x/>", true },
        { "<!-- <!DOCTYPE --><x a=\"&amp;&LT;&quot;&#233;&#x266a;\"></x> <?pi?> <!-- -->", true },
        { "<x a=\"<>'\" b='\"'c=\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\xed\xa0\x80\" ><!--c--> </x>", true },
        { "", false }, { "<x a=\"1\"/>junk", false }, { "<x a=\"1/>", false }, { "< x/>", false },
        { "<x <!-- c --> a=\"1\"/>", false }, { "<x \xc3\xa9=\"1\"/>", false }, { "<!-- <x/>", false },
        { "<x>t</x>", false }, { "<x/><!ENTITY a \"b\">", false },
        { "<x a=\"&#;\"/>", false }, { "<x a=\"&#x;\"/>", false }, { "<x a=\"&#x123456789;\"/>", false },
        { "<x a=\"&#1234567890123;\"/>", false },
        // References name code points up to U+10FFFF (surrogate halves and zero among them),
        // judged on the whole value, not on the 32 bits the parser keeps.
        { "<x a=\"&#x10fFFf;&#1114111;&#xD800;&#0;&#1;\"/>", true }, { "<x a=\"&#x110000;\"/>", false },
        { "<x a=\"&#1114112;\"/>", false }, { "<x a=\"&#4294967356;\"/>", false },
        // Over-long forms, anything above U+10FFFF, broken sequences, a zero byte.
        { "<x a=\"\xe0\x80\xbe\"/>", false }, { "<x a=\"\xf0\x80\x80\xbc\"/>", false },
        { "<x a=\"\xf4\x90\x80\x80\"/>", false }, { "<x a=\"\xf8\x88\x80\x80\x80\"/>", false },
        { "<x a=\"\x80\"/>", false }, { "<x a=\"\xe2\x82\"/>", false }, { "<x/>\xc3", false },
        { std::string ("<x a=\"1\"/>\0", 11), false },
        // The size cap.
        { "<x a=\"" + std::string (quillmor::text::maxStateTextBytes - 9, 'v') + "\"/>", true },
        { "<x a=\"" + std::string (quillmor::text::maxStateTextBytes - 8, 'v') + "\"/>", false },
    };

    for (const auto& [text, expected] : cases)
        EXPECT_EQ (quillmor::text::isCompleteStateElement (text.data(), text.size()), expected) << text.substr (0, 80);
}

TEST (ParameterNames, AreTheIdentifiersAndEmptyOutsideTheTable)
{
    QuillmorPelowin processor;

    for (int i = 0; i < 35; ++i)
        EXPECT_EQ (processor.getParameterName (i), expectedIdentifiers[i]) << i;

    EXPECT_EQ (processor.getParameterName (35), "");
    EXPECT_EQ (processor.getParameterName (-1), "");
    EXPECT_EQ (processor.getParameterText (35), "");
    EXPECT_EQ (processor.getParameterText (-1), "");
}

TEST (ParameterTexts, DefaultsShowTheirUnitsAndWords)
{
    const char* const expected[] = {
        "50.00 % ", "50.00 % ", "100.00 % ", "10.00 ms ", "0.00 % ", "50.00 % ", "0.00 % ",
        "0.00 % ", "0.00 % ", "0.00 dB ", "50.00 % ", "20.00 ms ", "0.50 Hz ", "50.00 % ",
        "10.00 Hz ", "20000.00 Hz ", "300.00 Hz ", "0.50 Hz ", "50.00 ", "6.00 Hz ", "0.00 ",
        "1.00 X ", "9.00 dB ", "-6.00 dB ", "-90.00 dB ", "50.00 % ", "100.00 ms ", "Bright",
        "0.00", "1.00", "Off", "Off", "Post", "1X", "1.00"
    };

    QuillmorPelowin processor;

    for (int i = 0; i < 35; ++i)
        EXPECT_EQ (processor.getParameterText (i), expected[i]) << expectedIdentifiers[i];
}

TEST (ParameterTexts, FollowTheRealValueAcrossTheRange)
{
    QuillmorPelowin processor;
    auto textAt = [&processor] (int index, float normalised)
    {
        processor.setParameter (index, normalised);
        return processor.getParameterText (index);
    };

    EXPECT_EQ (textAt (2, 1.0f), "200.00 % ");
    EXPECT_EQ (textAt (3, 0.0625f), "62.50 ms ");
    EXPECT_EQ (textAt (6, 0.0f), "-100.00 % ");
    EXPECT_EQ (textAt (9, 0.25f), "-6.00 dB ");
    EXPECT_EQ (textAt (19, 1.0f), "20.00 Hz ");
    EXPECT_EQ (textAt (21, 1.0f), "100.00 X ");
    EXPECT_EQ (textAt (24, 1.0f), "-30.00 dB ");
    // Stepped parameters show the step number, without a unit.
    EXPECT_EQ (textAt (28, 1.0f), "17.00");
    EXPECT_EQ (textAt (29, 9.0f / 24.0f), "9.00");
    EXPECT_EQ (textAt (34, 1.0f), "8.00");
    // Real values a few thousandths below zero: TapGain 24 n - 12, DriveOutGain 24 n - 24.
    EXPECT_EQ (textAt (9, 0.49983f), "-0.00 dB ");
    EXPECT_EQ (textAt (9, 0.50017f), "0.00 dB ");
    EXPECT_EQ (textAt (23, 0.9999f), "-0.00 dB ");
}

TEST (ParameterTexts, SwitchesShowTheFirstWordOnlyAboveOneHalf)
{
    struct Switch { int index; const char* above; const char* otherwise; };
    const Switch switches[] = { { 27, "Dark", "Bright" }, { 30, "On", "Off" }, { 31, "On", "Off" },
                                { 32, "Post", "Pre" }, { 33, "1/2X", "1X" } };
    QuillmorPelowin processor;

    for (const auto& s : switches)
    {
        processor.setParameter (s.index, 1.0f);
        EXPECT_EQ (processor.getParameterText (s.index), s.above);
        processor.setParameter (s.index, 0.5f);
        EXPECT_EQ (processor.getParameterText (s.index), s.otherwise);
        processor.setParameter (s.index, std::nextafter (0.5f, 1.0f));
        EXPECT_EQ (processor.getParameterText (s.index), s.above);
        processor.setParameter (s.index, 0.0f);
        EXPECT_EQ (processor.getParameterText (s.index), s.otherwise);
    }

    // A ColorMode of 0.7 reads Dark although the engine still runs in Bright.
    processor.setParameter (27, 0.7f);
    EXPECT_EQ (processor.getParameterText (27), "Dark");
}
