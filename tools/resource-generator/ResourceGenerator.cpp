// Writes the plug-in's embedded resources from an installed TrueType font:
//   QuillmorTypeface.bin       the typeface in juce::CustomTypeface's serialised,
//                              zlib-compressed form, characters 1 to 255;
//   PreviousPresetBlue.png,    the 23 x 23 preset arrows of the dark colour scheme,
//   NextPresetBlue.png
//   PreviousPresetBlack.png,   and of the bright colour scheme.
//   NextPresetBlack.png
//
// Usage: QuillmorResourceGenerator <font.ttf> <output folder>

#include <juce_graphics/juce_graphics.h>

#include <iostream>

namespace
{
constexpr int arrowSize = 23;

bool isControlCharacter (juce::juce_wchar c)
{
    return c < 32 || (c >= 127 && c < 160);
}

// The serialised typeface holds move, line, cubic and close elements only, so the
// font's quadratic segments become the cubics that trace exactly the same curve.
juce::Path withQuadraticsAsCubics (const juce::Path& source)
{
    juce::Path result;
    juce::Path::Iterator it (source);
    float lastX = 0.0f, lastY = 0.0f;

    while (it.next())
    {
        switch (it.elementType)
        {
            case juce::Path::Iterator::startNewSubPath:
                result.startNewSubPath (it.x1, it.y1);
                lastX = it.x1; lastY = it.y1;
                break;

            case juce::Path::Iterator::lineTo:
                result.lineTo (it.x1, it.y1);
                lastX = it.x1; lastY = it.y1;
                break;

            case juce::Path::Iterator::quadraticTo:
            {
                const float c1x = lastX + (it.x1 - lastX) * (2.0f / 3.0f);
                const float c1y = lastY + (it.y1 - lastY) * (2.0f / 3.0f);
                const float c2x = it.x2 + (it.x1 - it.x2) * (2.0f / 3.0f);
                const float c2y = it.y2 + (it.y1 - it.y2) * (2.0f / 3.0f);
                result.cubicTo (c1x, c1y, c2x, c2y, it.x2, it.y2);
                lastX = it.x2; lastY = it.y2;
                break;
            }

            case juce::Path::Iterator::cubicTo:
                result.cubicTo (it.x1, it.y1, it.x2, it.y2, it.x3, it.y3);
                lastX = it.x3; lastY = it.y3;
                break;

            case juce::Path::Iterator::closePath:
                result.closeSubPath();
                break;
        }
    }

    result.setUsingNonZeroWinding (true);
    return result;
}

bool writeTypeface (const juce::File& fontFile, const juce::File& destination)
{
    juce::MemoryBlock fontData;

    if (! fontFile.loadFileAsData (fontData))
        return false;

    auto source = juce::Typeface::createSystemTypefaceFor (fontData.getData(), fontData.getSize());

    if (source == nullptr || source->getName().isEmpty())
        return false;

    juce::CustomTypeface typeface;
    typeface.setCharacteristics (source->getName(), source->getAscent(), false, false, L' ');

    for (juce::juce_wchar c = 1; c <= 255; ++c)
    {
        juce::Path outline;
        float advance = 0.0f;

        // Control characters are never drawn: they keep an empty outline and no width.
        if (! isControlCharacter (c))
        {
            juce::Array<int> glyphs;
            juce::Array<float> offsets;
            source->getGlyphPositions (juce::String::charToString (c), glyphs, offsets);

            if (glyphs.isEmpty() || offsets.size() < 2)
            {
                std::cerr << "font has no glyph for character " << (int) c << "\n";
                return false;
            }

            juce::Path glyphOutline;
            source->getOutlineForGlyph (glyphs.getFirst(), glyphOutline);
            outline = withQuadraticsAsCubics (glyphOutline);
            advance = offsets[1];
        }

        typeface.addGlyph (c, outline, advance);
    }

    juce::MemoryOutputStream serialised;
    typeface.writeToStream (serialised);

    destination.deleteFile();
    return destination.replaceWithData (serialised.getData(), serialised.getDataSize());
}

// A filled triangle across the whole image: the apex at the middle of one side edge
// and the base along the opposite edge, anti-aliased on a transparent background.
bool writeArrow (bool pointsLeft, juce::Colour colour, const juce::File& destination)
{
    // Drawn one pixel inside a larger canvas and then cut out: JUCE's rasteriser leaves
    // the last column of an image slightly transparent, which would fray the base.
    const int margin = 1;
    juce::Image canvas (juce::Image::ARGB, arrowSize + 2 * margin, arrowSize + 2 * margin, true);

    {
        // The sides run on past the base so that the cut, not the triangle, ends them.
        const auto size = (float) arrowSize;
        const float apexX = pointsLeft ? 0.0f : size;
        const float baseX = pointsLeft ? size + 1.0f : -1.0f;

        juce::Path triangle;
        triangle.addTriangle (apexX, size * 0.5f, baseX, -0.5f, baseX, size + 0.5f);

        juce::Graphics g (canvas);
        g.setOrigin (margin, margin);
        g.setColour (colour);
        g.fillPath (triangle);
    }

    const auto image = canvas.getClippedImage ({ margin, margin, arrowSize, arrowSize }).createCopy();

    destination.deleteFile();
    juce::FileOutputStream stream (destination);

    if (! stream.openedOk())
        return false;

    juce::PNGImageFormat png;
    return png.writeImageToStream (image, stream);
}
} // namespace

int main (int argc, char* argv[])
{
    if (argc != 3)
    {
        std::cerr << "usage: " << argv[0] << " <font.ttf> <output folder>\n";
        return 2;
    }

    const juce::File fontFile (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));
    const juce::File outputFolder (juce::File::getCurrentWorkingDirectory().getChildFile (argv[2]));

    if (! outputFolder.createDirectory())
    {
        std::cerr << "cannot create " << outputFolder.getFullPathName() << "\n";
        return 1;
    }

    const juce::Colour blueLeft (78, 136, 184), blueRight (79, 135, 184), nearBlack (4, 7, 7);

    const bool ok = writeTypeface (fontFile, outputFolder.getChildFile ("QuillmorTypeface.bin"))
                 && writeArrow (true,  blueLeft,  outputFolder.getChildFile ("PreviousPresetBlue.png"))
                 && writeArrow (false, blueRight, outputFolder.getChildFile ("NextPresetBlue.png"))
                 && writeArrow (true,  nearBlack, outputFolder.getChildFile ("PreviousPresetBlack.png"))
                 && writeArrow (false, nearBlack, outputFolder.getChildFile ("NextPresetBlack.png"));

    if (! ok)
    {
        std::cerr << "resource generation failed\n";
        return 1;
    }

    return 0;
}
