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

bool startsWithIgnoringAsciiCase (const char* data, std::size_t numBytes, const char* lowerCasePrefix) noexcept
{
    for (std::size_t i = 0; lowerCasePrefix[i] != 0; ++i)
        if (i >= numBytes || toLowerAscii (data[i]) != lowerCasePrefix[i])
            return false;

    return true;
}

/** True when every byte from 0x80 up is part of a whole UTF-8 sequence: a lead
    byte 0xC0-0xF7 followed by the one to three continuation bytes 0x80-0xBF it
    announces. */
bool hasWholeUtf8Sequences (const char* data, std::size_t numBytes) noexcept
{
    for (std::size_t i = 0; i < numBytes;)
    {
        const auto lead = static_cast<unsigned char> (data[i++]);

        if (lead < 0x80)
            continue;

        const std::size_t extra = lead >= 0xf8 ? 0 : lead >= 0xf0 ? 3 : lead >= 0xe0 ? 2 : lead >= 0xc0 ? 1 : 0;

        if (extra == 0 || extra > numBytes - i)
            return false;

        for (const auto end = i + extra; i < end; ++i)
            if ((static_cast<unsigned char> (data[i]) & 0xc0) != 0x80)
                return false;
    }

    return true;
}
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

    while (*text != 0)
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
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
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

bool isSafeCompleteXml (const char* data, std::size_t numBytes) noexcept
{
    int numBrackets = 0;

    for (std::size_t i = 0; i < numBytes; ++i)
        if (data[i] == '<'
             && (++numBrackets > maxOpeningBrackets
                  || startsWithIgnoringAsciiCase (data + i, numBytes - i, "<!doctype")
                  || startsWithIgnoringAsciiCase (data + i, numBytes - i, "<!entity")))
            return false;

    if (! hasWholeUtf8Sequences (data, numBytes))
        return false;

    auto end = numBytes;

    while (end > 0 && (data[end - 1] == 0 || data[end - 1] == ' ' || data[end - 1] == '\t'
                        || data[end - 1] == '\r' || data[end - 1] == '\n'))
        --end;

    return end > 0 && data[end - 1] == '>';
}
} // namespace quillmor::text
