#include "QuillmorPelowinText.h"

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
        std::snprintf (buffer, sizeof (buffer), "%.2f", wide);
        return buffer;
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
    char buffer[40];
    std::snprintf (buffer, sizeof (buffer), "%.20g", value);
    return buffer;
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
    for (std::size_t i = 0; i < numBytes; ++i)
        if (data[i] == '<'
             && (startsWithIgnoringAsciiCase (data + i, numBytes - i, "<!doctype")
                  || startsWithIgnoringAsciiCase (data + i, numBytes - i, "<!entity")))
            return false;

    auto end = numBytes;

    while (end > 0 && (data[end - 1] == 0 || data[end - 1] == ' ' || data[end - 1] == '\t'
                        || data[end - 1] == '\r' || data[end - 1] == '\n'))
        --end;

    return end > 0 && data[end - 1] == '>';
}
} // namespace quillmor::text
