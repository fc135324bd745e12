// The typeface and arrow images compiled into the plug-in: their stored form, and that
// they load and draw.

#include "BinaryData.h"
#include "QuillmorPelowinLookAndFeel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace
{
//==============================================================================
// The typeface data, read field by field the way it is laid out, independently of the
// loader in juce::CustomTypeface.

struct StoredGlyph
{
    int character = 0;
    float advance = 0.0f;
    int elements = 0;          // move, line, cubic and close elements of the outline
    bool onlyKnownElements = true;
    bool endsProperly = false;
};

struct StoredTypeface
{
    juce::String name;
    int bold = -1, italic = -1;
    float ascent = 0.0f;
    int defaultCharacter = 0;
    std::vector<StoredGlyph> glyphs;
    int kerningPairs = -1;
    bool exhausted = false;
};

StoredTypeface readStoredTypeface()
{
    juce::MemoryInputStream compressed (BinaryData::QuillmorTypeface_bin,
                                        (size_t) BinaryData::QuillmorTypeface_binSize, false);
    juce::GZIPDecompressorInputStream in (compressed);   // zlib format

    StoredTypeface t;
    t.name = in.readString();
    t.bold = in.readByte();
    t.italic = in.readByte();
    t.ascent = in.readFloat();
    t.defaultCharacter = (uint16_t) in.readShort();

    const int count = in.readInt();

    for (int i = 0; i < count && ! in.isExhausted(); ++i)
    {
        StoredGlyph glyph;
        glyph.character = (uint16_t) in.readShort();
        glyph.advance = in.readFloat();

        const char winding = in.readByte();
        glyph.onlyKnownElements = (winding == 'n');

        for (;;)
        {
            const char element = in.readByte();
            int floats = -1;

            switch (element)
            {
                case 'm': case 'l': floats = 2; break;
                case 'b':           floats = 6; break;
                case 'c':           floats = 0; break;
                case 'e':           glyph.endsProperly = true; break;
                default:            glyph.onlyKnownElements = false; break;
            }

            if (floats < 0)
                break;

            for (int f = 0; f < floats; ++f)
                in.readFloat();

            ++glyph.elements;
        }

        t.glyphs.push_back (glyph);

        if (! glyph.endsProperly)
            break;
    }

    t.kerningPairs = in.readInt();
    t.exhausted = in.isExhausted();
    return t;
}

bool isControlCharacter (int c)
{
    return c < 32 || (c >= 127 && c < 160);
}

//==============================================================================
// The four arrows as the editor gets them.
struct Arrow
{
    const char* data;
    int size;
    bool pointsLeft;
    juce::Colour colour;
    const char* what;
};

std::vector<Arrow> arrows()
{
    return {
        { BinaryData::PreviousPresetBlue_png,  BinaryData::PreviousPresetBlue_pngSize,  true,  juce::Colour (78, 136, 184), "previous, blue" },
        { BinaryData::NextPresetBlue_png,      BinaryData::NextPresetBlue_pngSize,      false, juce::Colour (79, 135, 184), "next, blue" },
        { BinaryData::PreviousPresetBlack_png, BinaryData::PreviousPresetBlack_pngSize, true,  juce::Colour (4, 7, 7),      "previous, near black" },
        { BinaryData::NextPresetBlack_png,     BinaryData::NextPresetBlack_pngSize,     false, juce::Colour (4, 7, 7),      "next, near black" },
    };
}

uint32_t bigEndian32 (const char* p)
{
    const auto* b = reinterpret_cast<const uint8_t*> (p);
    return ((uint32_t) b[0] << 24) | ((uint32_t) b[1] << 16) | ((uint32_t) b[2] << 8) | b[3];
}
} // namespace

//==============================================================================
TEST (EmbeddedTypeface, HasTheSerialisedLayout)
{
    // One zlib stream, no gzip header.
    ASSERT_GT (BinaryData::QuillmorTypeface_binSize, 2);
    const auto cmf = (uint8_t) BinaryData::QuillmorTypeface_bin[0];
    const auto flg = (uint8_t) BinaryData::QuillmorTypeface_bin[1];
    EXPECT_EQ (cmf & 0x0f, 8) << "deflate";
    EXPECT_EQ ((cmf * 256 + flg) % 31, 0) << "zlib header check bits";

    const auto t = readStoredTypeface();

    EXPECT_TRUE (t.name.isNotEmpty());
    EXPECT_EQ (t.bold, 0);
    EXPECT_EQ (t.italic, 0);
    EXPECT_GT (t.ascent, 0.6f);
    EXPECT_LT (t.ascent, 0.9f);
    EXPECT_EQ (t.defaultCharacter, 32);

    ASSERT_EQ (t.glyphs.size(), 255u);

    for (int i = 0; i < 255; ++i)
    {
        const auto& g = t.glyphs[(size_t) i];
        const int c = i + 1;

        EXPECT_EQ (g.character, c);
        EXPECT_TRUE (g.onlyKnownElements) << "character " << c;
        EXPECT_TRUE (g.endsProperly) << "character " << c;

        if (isControlCharacter (c))
        {
            EXPECT_EQ (g.elements, 0) << "character " << c;
            EXPECT_EQ (g.advance, 0.0f) << "character " << c;
        }
        else
        {
            EXPECT_GT (g.advance, 0.0f) << "character " << c;
            EXPECT_LT (g.advance, 2.0f) << "character " << c;

            // Only the blanks have no outline.
            if (c == ' ' || c == 0xa0)
                EXPECT_EQ (g.elements, 0) << "character " << c;
            else
                EXPECT_GT (g.elements, 2) << "character " << c;
        }
    }

    EXPECT_EQ (t.kerningPairs, 0);
    EXPECT_TRUE (t.exhausted) << "data after the kerning table";
}

TEST (EmbeddedTypeface, LoadsWithEveryAsciiAndLatin1Glyph)
{
    QuillmorPelowinLookAndFeel laf;
    auto typeface = laf.getTypefaceForFont (juce::Font());
    ASSERT_NE (typeface, nullptr);
    EXPECT_EQ (typeface->getName(), readStoredTypeface().name);
    EXPECT_GT (typeface->getAscent(), 0.6f);

    for (int c = 32; c <= 255; ++c)
    {
        if (isControlCharacter (c))
            continue;

        juce::Array<int> glyphs;
        juce::Array<float> offsets;
        typeface->getGlyphPositions (juce::String::charToString ((juce::juce_wchar) c), glyphs, offsets);

        ASSERT_EQ (glyphs.size(), 1) << "character " << c;
        EXPECT_EQ (glyphs[0], c);
        EXPECT_GT (offsets[1], 0.0f) << "character " << c;

        juce::Path outline;
        EXPECT_TRUE (typeface->getOutlineForGlyph (glyphs[0], outline)) << "character " << c;
        EXPECT_EQ (outline.isEmpty(), c == ' ' || c == 0xa0) << "character " << c;
    }

    // Narrow enough for the texts the editor draws into fixed boxes: each logo run in
    // its box at height 44 (wider, a run ends in an ellipsis or vanishes), and the
    // longest page-knob label in its 50 text pixels at height 16 squeezed no further
    // than JUCE's default 0.7.
    const juce::Font logoFont (typeface);
    const std::pair<const char*, float> logoRuns[] = { { "Q", 30.0f }, { "uillmor", 115.0f },
                                                       { "Pelo", 82.0f }, { "win", 78.0f } };
    for (const auto& [text, box] : logoRuns)
        EXPECT_LE (logoFont.withHeight (44.0f).getStringWidthFloat (text), box) << text;

    EXPECT_LE (logoFont.withHeight (16.0f).getStringWidthFloat ("SlowDepth") * 0.7f, 50.0f);
}

TEST (EmbeddedTypeface, BorrowsCharactersBeyondItsOwnFromTheSystem)
{
    // Asked as JUCE's own dialogs ask: the default font, through the default look-and-feel.
    juce::LookAndFeel::setDefaultLookAndFeel (&QuillmorPelowinLookAndFeel::getSharedInstance());
    juce::Typeface::clearTypefaceCache();
    const juce::Font font (20.0f);
    ASSERT_EQ (font.getTypefacePtr()->getName(), readStoredTypeface().name);

    const auto name = juce::String (juce::CharPointer_UTF8 ("\xce\xa9mega \xd0\x96"));   // Omega, "mega ", Zhe
    EXPECT_GT (font.getStringWidthFloat (name), font.getStringWidthFloat ("mega ") + 15.0f);
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText (font, name, 0.0f, 0.0f);

    for (const int i : { 0, 6 })   // outlines about a capital's height
        EXPECT_GT (glyphs.getBoundingBox (i, 1, false).getHeight(), 10.0f) << i;
}

//==============================================================================
TEST (EmbeddedArrows, DecodeToFilledTrianglesInTheirColour)
{
    for (const auto& a : arrows())
    {
        // 8-bit RGBA PNG, 23 x 23, as the header says and as the decoder finds.
        ASSERT_GT (a.size, 33) << a.what;
        EXPECT_EQ (juce::String::fromUTF8 (a.data + 1, 3), "PNG") << a.what;
        EXPECT_EQ (bigEndian32 (a.data + 16), 23u) << a.what;
        EXPECT_EQ (bigEndian32 (a.data + 20), 23u) << a.what;
        EXPECT_EQ ((int) a.data[24], 8) << a.what << ": bits per channel";
        EXPECT_EQ ((int) a.data[25], 6) << a.what << ": RGB with alpha";

        const auto image = juce::ImageCache::getFromMemory (a.data, a.size);
        ASSERT_TRUE (image.isValid()) << a.what;
        ASSERT_EQ (image.getWidth(), 23) << a.what;
        ASSERT_EQ (image.getHeight(), 23) << a.what;
        EXPECT_TRUE (image.hasAlphaChannel()) << a.what;

        // x measured from the apex towards the base.
        auto at = [&] (int fromApex, int y) { return image.getPixelAt (a.pointsLeft ? fromApex : 22 - fromApex, y); };

        // Transparent beside the apex, opaque along the base and through the middle.
        EXPECT_EQ (at (0, 0).getAlpha(), 0) << a.what;
        EXPECT_EQ (at (0, 22).getAlpha(), 0) << a.what;
        EXPECT_EQ (at (10, 2).getAlpha(), 0) << a.what;
        EXPECT_EQ (at (10, 20).getAlpha(), 0) << a.what;
        EXPECT_GT (at (0, 11).getAlpha(), 0) << a.what << ": apex";
        EXPECT_EQ (at (12, 11).getARGB(), a.colour.getARGB()) << a.what;
        EXPECT_EQ (at (20, 3).getARGB(), a.colour.getARGB()) << a.what;
        EXPECT_EQ (at (20, 19).getARGB(), a.colour.getARGB()) << a.what;
        EXPECT_GT (at (22, 1).getAlpha(), 240) << a.what << ": base";
        EXPECT_GT (at (22, 21).getAlpha(), 240) << a.what << ": base";

        double coverage = 0.0;
        int edgePixels = 0;

        for (int y = 0; y < 23; ++y)
        {
            int previousAlpha = -1;

            for (int d = 0; d < 23; ++d)
            {
                const auto pixel = at (d, y);
                coverage += pixel.getFloatAlpha();

                // Every row fills from its edge towards the base, never the other way.
                EXPECT_GE ((int) pixel.getAlpha(), previousAlpha) << a.what << " at " << d << ", " << y;
                previousAlpha = pixel.getAlpha();

                // Anti-aliased edges keep the colour: only the alpha ramps (the decoder
                // premultiplies, so faint pixels carry a little rounding).
                if (pixel.getAlpha() == 255)
                {
                    EXPECT_EQ (pixel.getARGB(), a.colour.getARGB()) << a.what << " at " << d << ", " << y;
                }
                else if (pixel.getAlpha() >= 100)
                {
                    ++edgePixels;
                    EXPECT_NEAR (pixel.getRed(), a.colour.getRed(), 5) << a.what;
                    EXPECT_NEAR (pixel.getGreen(), a.colour.getGreen(), 5) << a.what;
                    EXPECT_NEAR (pixel.getBlue(), a.colour.getBlue(), 5) << a.what;
                }
            }
        }

        // Half the square: 23 x 23 / 2.
        EXPECT_NEAR (coverage, 264.5, 3.0) << a.what;
        EXPECT_GT (edgePixels, 10) << a.what << ": anti-aliased";
    }
}

