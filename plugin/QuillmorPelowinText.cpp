#include "QuillmorPelowinText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace quillmor::text
{
namespace
{
char toLowerAscii (char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char> (c - 'A' + 'a') : c;
}

bool isBlank (char c) noexcept
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

/** The ASCII characters that JUCE's parser takes into tag and attribute names. */
bool isNameCharacter (char c) noexcept
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || c == '_' || c == '-' || c == ':' || c == '.';
}

bool isDecimalDigit (char c) noexcept
{
    return c >= '0' && c <= '9';
}

bool isHexDigit (char c) noexcept
{
    return isDecimalDigit (c) || (toLowerAscii (c) >= 'a' && toLowerAscii (c) <= 'f');
}

/** Where the text stops being UTF-8 as the standard has it: at its first zero byte or
    first sequence that is cut short (the parser steps over a lead byte's continuation
    bytes unseen, so one cut short walks it past the end), over-long or above U+10FFFF;
    its end when there is none. JUCE's decoder also reads over-long forms (C0 BC as '<'),
    which would put markup out of sight of any check on the bytes. Encoded surrogates
    pass: JUCE writes each half of a UTF-16 file's pairs so. */
const char* endOfWellFormedUtf8 (const char* text, std::size_t numBytes) noexcept
{
    constexpr std::uint32_t shortest[] = { 0, 0x80, 0x800, 0x10000 };

    for (std::size_t i = 0; i < numBytes;)
    {
        const auto start = i;
        const auto lead = static_cast<unsigned char> (text[i++]);

        if (lead == 0)
            return text + start;

        if (lead < 0x80)
            continue;

        const std::size_t extra = lead >= 0xf5 ? 0 : lead >= 0xf0 ? 3 : lead >= 0xe0 ? 2 : lead >= 0xc2 ? 1 : 0;

        if (extra == 0 || extra > numBytes - i)
            return text + start;

        std::uint32_t code = lead & (0x3fu >> extra);

        for (const auto end = i + extra; i < end; ++i)
        {
            const auto next = static_cast<unsigned char> (text[i]);

            if ((next & 0xc0) != 0x80)
                return text + start;

            code = (code << 6) | (next & 0x3fu);
        }

        if (code < shortest[extra] || code > 0x10ffff)
            return text + start;
    }

    return text + numBytes;
}

/** Walks text over the markup that JUCE's parser reads, accepting only forms that the
    parser reads whole and in the same way. */
class MarkupScanner
{
public:
    MarkupScanner (const char* text, std::size_t numBytes) noexcept : next (text), end (text + numBytes) {}

    bool atEnd() const noexcept { return next == end; }

    /** Steps over `literal` when the text goes on with it (in any ASCII letter case
        when asked). */
    bool skip (const char* literal, bool ignoreCase = false) noexcept
    {
        auto* p = next;

        for (; *literal != 0; ++literal, ++p)
            if (p == end || (ignoreCase ? toLowerAscii (*p) != *literal : *p != *literal))
                return false;

        next = p;
        return true;
    }

    /** Steps past the next `literal`; false when there is none. */
    bool skipPast (const char* literal) noexcept
    {
        for (; next != end; ++next)
            if (skip (literal))
                return true;

        return false;
    }

    void skipBlanks() noexcept
    {
        while (next != end && isBlank (*next))
            ++next;
    }

    /** Blanks, comments and processing instructions (the XML declaration is one), which
        the parser passes over before and after elements; false for one left open. */
    bool skipBlanksAndComments() noexcept
    {
        for (;;)
        {
            skipBlanks();

            if (skip ("<!--"))
            {
                if (! skipPast ("-->"))
                    return false;
            }
            else if (skip ("<?"))
            {
                if (! skipPast ("?>"))
                    return false;
            }
            else
            {
                return true;
            }
        }
    }

    bool skipName() noexcept
    {
        const auto* start = next;

        while (next != end && isNameCharacter (*next))
            ++next;

        return next != start;
    }

    /** A value in single or double quotes; every '&' in it starts a reference the parser
        resolves by itself: &amp; &quot; &apos; &lt; &gt; (any letter case), &#<decimal>;
        or &#x<hex>;, with no more digits than it reads, to a code point of at most
        U+10FFFF. */
    bool skipQuotedValue() noexcept
    {
        if (next == end || (*next != '"' && *next != '\''))
            return false;

        const char quote = *next++;

        while (next != end && *next != quote)
        {
            if (*next != '&')
                ++next;
            else if (! skipReference())
                return false;
        }

        if (next == end)
            return false;

        ++next;
        return true;
    }

private:
    bool skipReference() noexcept
    {
        ++next;

        for (const char* name : { "amp;", "quot;", "apos;", "lt;", "gt;" })
            if (skip (name, true))
                return true;

        if (! skip ("#"))
            return false;

        const bool hex = skip ("x", true);
        const std::size_t maxDigits = hex ? 8 : 12;
        const auto* digits = next;
        std::uint64_t code = 0;

        // The parser narrows the value to 32 bits and its writer keeps only 21 of those:
        // beyond U+10FFFF a reference would become a wrapped character or bytes that are
        // no UTF-8 at all. So the whole value is compared, before any narrowing.
        while (next != end && static_cast<std::size_t> (next - digits) < maxDigits
                && (hex ? isHexDigit (*next) : isDecimalDigit (*next)))
        {
            const auto digit = isDecimalDigit (*next) ? *next - '0' : toLowerAscii (*next) - 'a' + 10;
            code = code * (hex ? 16 : 10) + static_cast<std::uint64_t> (digit);
            ++next;
        }

        return next != digits && code <= 0x10ffff && skip (";");
    }

    const char* next;
    const char* const end;
};
} // namespace

std::string formatTwoDecimals (float value)
{
    const double wide = value;
    const double scaled = std::fabs (wide) * 100.0 + 0.5;

    // Beyond 2^63 the integer digits cannot be formed; no real value of the
    // parameter table comes anywhere near, but a bad value must not overflow.
    if (! (scaled < 9.2e18))
    {
        char buffer[400];
        return { buffer, std::to_chars (buffer, buffer + sizeof (buffer), wide, std::chars_format::fixed, 2).ptr };
    }

    const auto hundredths = static_cast<std::uint64_t> (scaled);
    char buffer[32];
    std::snprintf (buffer, sizeof (buffer), "%s%llu.%02llu",
                   wide < 0.0 ? "-" : "",
                   static_cast<unsigned long long> (hundredths / 100),
                   static_cast<unsigned long long> (hundredths % 100));
    return buffer;
}

std::string formatXmlNumber (double value)
{
    // printf would follow the process's LC_NUMERIC, which a host may have set to a
    // decimal comma; to_chars always writes the classic form.
    char buffer[40];
    return { buffer, std::to_chars (buffer, buffer + sizeof (buffer), value, std::chars_format::general, 20).ptr };
}

std::string limitExponentDigits (const char* text)
{
    std::string result;

    while (*text != 0 && static_cast<unsigned char> (*text) < 0x80)
    {
        const char c = *text++;
        result += c;

        if (c != 'e' && c != 'E')
            continue;

        if (*text == '+' || *text == '-')
            result += *text++;

        while (*text == '0')
            result += *text++;

        const char* const digits = text;

        while (*text >= '0' && *text <= '9')
            ++text;

        if (text - digits > 9)
            result += "999999999";
        else
            result.append (digits, text);
    }

    return result;
}

int readSaturatedInt (const char* text) noexcept
{
    while (isBlank (*text))
        ++text;

    const bool negative = *text == '-';

    if (negative)
        ++text;

    constexpr long long limit = 1LL << 31;
    long long magnitude = 0;

    for (; *text >= '0' && *text <= '9'; ++text)
        magnitude = std::min (magnitude * 10 + (*text - '0'), limit);

    return static_cast<int> (negative ? -magnitude : std::min (magnitude, limit - 1));
}

bool readsAsUtf8 (const char* text, std::size_t numBytes) noexcept
{
    const auto* end = endOfWellFormedUtf8 (text, numBytes);
    return end == text + numBytes || *end == 0;
}

bool equalsIgnoringAsciiCase (const char* a, const char* b) noexcept
{
    for (;; ++a, ++b)
    {
        if (toLowerAscii (*a) != toLowerAscii (*b))
            return false;

        if (*a == 0)
            return true;
    }
}

bool isCompleteStateElement (const char* text, std::size_t numBytes) noexcept
{
    if (numBytes > maxStateTextBytes || endOfWellFormedUtf8 (text, numBytes) != text + numBytes)
        return false;

    MarkupScanner scanner (text, numBytes);

    if (! (scanner.skipBlanksAndComments() && scanner.skip ("<") && scanner.skipName()))
        return false;

    for (;;)
    {
        scanner.skipBlanks();

        if (scanner.skip ("/>"))
            break;

        if (scanner.skip (">"))
        {
            if (! (scanner.skipBlanksAndComments() && scanner.skip ("</") && scanner.skipPast (">")))
                return false;

            break;
        }

        if (! scanner.skipName())
            return false;

        scanner.skipBlanks();

        if (! scanner.skip ("="))
            return false;

        scanner.skipBlanks();

        if (! scanner.skipQuotedValue())
            return false;
    }

    return scanner.skipBlanksAndComments() && scanner.atEnd();
}
} // namespace quillmor::text
