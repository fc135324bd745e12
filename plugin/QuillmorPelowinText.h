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
    any text shorter than a gigabyte. The copy ends before the first byte beyond
    ASCII, which the reader never takes into a number, so it is ASCII whatever the
    text holds: pass the text from its first character after the leading blanks.
    Everything else is copied unchanged. */
std::string limitExponentDigits (const char* text);

/** Reads a decimal integer as JUCE's getIntValue does (leading blanks, an optional
    '-', then the digits up to the first other character; no digits read 0), but
    held within the int range where JUCE's reader wraps around or overflows. */
int readSaturatedInt (const char* text) noexcept;

/** True when the text up to its first zero byte (where JUCE stops looking too) is UTF-8
    as the standard has it: every sequence whole, in its shortest form, at most
    U+10FFFF. A preset file that is not is read as Windows-1252, and a name from the
    system that is not is never handed to JUCE, which would size a String by decoding
    the bytes and then copy them raw. */
bool readsAsUtf8 (const char* text, std::size_t numBytes) noexcept;

/** True when the two NUL-terminated texts are equal apart from the case of the
    ASCII letters A-Z; other bytes must match exactly. */
bool equalsIgnoringAsciiCase (const char* a, const char* b) noexcept;

/** The most bytes of text from outside (host state, preset file, clipboard) that are
    read: a preset is a few kilobytes, and anything far larger is not one of ours. */
constexpr std::size_t maxStateTextBytes = 64 * 1024;

/** True when text from outside may be handed to JUCE's XML parser, which will then read
    all of it: at most maxStateTextBytes of well-formed UTF-8 without a zero byte, holding
    blanks, comments and processing instructions (the XML declaration among them) around
    one element whose tag and attribute names are ASCII, whose every attribute value is
    quoted and uses only the five named references and numeric ones to code points up to
    U+10FFFF, whatever their digits would wrap to in the parser's 32 bits, and which
    is empty ("/>") or closed right away, with nothing but blanks, comments and processing
    instructions before its closing tag. So no DOCTYPE or entity declaration, no nesting
    and nothing the parser would stop short of reaches it. Over-long UTF-8 forms are
    refused: JUCE's decoder reads C0 BC as '<'. */
bool isCompleteStateElement (const char* text, std::size_t numBytes) noexcept;
} // namespace quillmor::text
