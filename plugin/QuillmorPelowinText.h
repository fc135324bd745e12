#pragma once

#include <cstddef>
#include <string>

/** Small text helpers of the processor that need no JUCE: the display-number
    format, the number format of the state XML, ASCII case-insensitive name
    matching and the check that text from outside is fit for the XML parser. */
namespace quillmor::text
{
/** Writes a real value with exactly two decimals: |value| x 100 + 0.5 truncated,
    a point before the last two digits, a minus sign for any value below zero
    ("-0.00" for -0.004). Non-finite or astronomically large values are written
    as printf's "%.2f" writes them in the classic locale. Always a decimal point,
    whatever the process's locale. */
std::string formatTwoDecimals (float value);

/** Writes a number as printf's "%.20g" does in the classic locale, whatever the
    process's locale: general notation, up to 20 significant digits, no trailing
    zeros, a decimal point, so a float widened to double reads back bit-exactly. */
std::string formatXmlNumber (double value);

/** Copies number text for JUCE's number reader, which gathers an exponent in an
    int without a bound: a run of more than nine significant digits after 'e' or
    'E' (and a sign) becomes 999999999, which reads the same (infinity or zero) for
    any text shorter than a gigabyte. Everything else is copied unchanged. */
std::string limitExponentDigits (const char* text);

/** Reads a decimal integer as JUCE's getIntValue does (leading blanks, an optional
    '-', then the digits up to the first other character; no digits read 0), but
    held within the int range where JUCE's reader wraps around or overflows. */
int readSaturatedInt (const char* text) noexcept;

/** True when the two NUL-terminated texts are equal apart from the case of the
    ASCII letters A-Z; other bytes must match exactly. */
bool equalsIgnoringAsciiCase (const char* a, const char* b) noexcept;

/** The most '<' that text from outside may hold. The state element has no
    children; the parser descends into nested elements by recursion, so a text of
    nothing but opening tags would run it out of stack. */
constexpr int maxOpeningBrackets = 64;

/** True when text from outside may be handed to JUCE's XML parser: it holds no
    "<!DOCTYPE" or "<!ENTITY" in any letter case (the parser would follow them,
    into endless expansion or any file), no more than maxOpeningBrackets '<', every
    multi-byte UTF-8 sequence in it is whole (the parser steps over a lead byte's
    continuation bytes without looking at them, so one cut short walks it past the
    end of the text), and past trailing blanks and zero bytes it ends with '>' (the
    parser accepts an element cut off between attributes). */
bool isSafeCompleteXml (const char* data, std::size_t numBytes) noexcept;
} // namespace quillmor::text
