#include "QuillmorPelowin.h"
#include "QuillmorPelowinText.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#if JUCE_LINUX || JUCE_BSD
 #include <pwd.h>
 #include <unistd.h>
#endif

namespace
{
const char* const stateTag = "QuillmorPelowin";
const char* const presetSubFolder = "Audio/Presets/Quillmor DSP, LLC/QuillmorPelowin";

constexpr int mixIndex = QuillmorChorusEngine::mixParameter;
constexpr int inputPanIndex = QuillmorChorusEngine::inputPanParameter;
constexpr int numParameters = QuillmorChorusEngine::numParameters;

bool hasStateTag (const juce::XmlElement& element)
{
    return quillmor::text::equalsIgnoringAsciiCase (element.getTagName().toRawUTF8(), stateTag);
}

/** The attribute's text read as a double (text that is no number reads 0) and narrowed
    to float without overflowing; `fallback` when it is missing. */
float readParameterValue (const std::optional<juce::String>& text, float fallback)
{
    if (! text.has_value())
        return fallback;

    // The string's own characters, as JUCE's reader walks them: no new string is sized
    // from these bytes, so text that is no UTF-8 cannot size one buffer and fill another.
    const auto number = text->getCharPointer().findEndOfWhitespace();
    const auto limited = quillmor::text::limitExponentDigits (number.getAddress());
    const double value = juce::CharPointer_ASCII (limited.c_str()).getDoubleValue();
    return static_cast<float> (std::clamp (value, -static_cast<double> (FLT_MAX), static_cast<double> (FLT_MAX)));
}

/** True when the attribute's first non-blank character is 1, t, T, y or Y; false when
    it is missing. */
bool readBoolValue (const std::optional<juce::String>& text)
{
    if (! text.has_value())
        return false;

    const auto first = text->trimStart()[0];
    return first == '1' || first == 't' || first == 'T' || first == 'y' || first == 'Y';
}

/** Parses text from outside (host state, a preset file, the clipboard): the element, when
    the text is one that the parser reads whole and without reporting an error; nullptr
    otherwise. */
std::unique_ptr<juce::XmlElement> parseStateText (const char* utf8, std::size_t numBytes)
{
    // The checks pass only well-formed UTF-8 without zero bytes, so the string holds
    // exactly these bytes and the parser reads exactly the characters they checked.
    if (! quillmor::text::isCompleteStateElement (utf8, numBytes))
        return {};

    juce::XmlDocument document (juce::String::fromUTF8 (utf8, (int) numBytes));
    auto element = document.getDocumentElement();
    return document.getLastParseError().isEmpty() ? std::move (element) : nullptr;
}

/** A preset file's text in the encoding JUCE would choose, except that only strictly
    well-formed UTF-8 is read as UTF-8. JUCE's own test passes over-long forms, so a
    hand-edited Windows-1252 name such as "xÀ»y" (C0 BB) would be taken as UTF-8 and
    then refused; any other text that is no UTF-8 JUCE reads as Windows-1252 too. */
juce::String decodePresetText (const juce::MemoryBlock& bytes)
{
    const auto* data = static_cast<const char*> (bytes.getData());
    const auto size = bytes.getSize();
    const auto byteOrderMark = size >= 3 && juce::CharPointer_UTF8::isByteOrderMark (data) ? 3u : 0u;

    if ((size >= 2 && (juce::CharPointer_UTF16::isByteOrderMarkBigEndian (data)
                        || juce::CharPointer_UTF16::isByteOrderMarkLittleEndian (data)))
        || quillmor::text::readsAsUtf8 (data + byteOrderMark, size - byteOrderMark))
        return juce::String::createStringFromData (data, (int) size);

    // As JUCE decodes it: a zero byte ends the text.
    std::vector<juce::juce_wchar> text (size - byteOrderMark + 1, 0);

    for (std::size_t i = byteOrderMark; i < size; ++i)
        text[i - byteOrderMark] = juce::CharacterFunctions::getUnicodeCharFromWindows1252Codepage (static_cast<juce::uint8> (data[i]));

    return juce::CharPointer_UTF32 (text.data());
}

/** A name from the system (a file name, an environment variable, a home folder) as JUCE
    can hold it: nothing when it is missing or not well-formed UTF-8. */
std::optional<juce::String> systemName (const char* bytes)
{
    const auto length = bytes != nullptr ? std::strlen (bytes) : 0;

    if (bytes == nullptr || ! quillmor::text::readsAsUtf8 (bytes, length))
        return {};

    return juce::String::fromUTF8 (bytes, (int) length);
}

std::filesystem::path toPath (const juce::File& file)
{
    return std::filesystem::u8path (file.getFullPathName().toRawUTF8());
}

/** True for an existing file that we may not write or that no one may: a rename would
    replace it all the same, and root may write any file whatever its permissions. */
bool isWriteProtected (const juce::File& file)
{
    using std::filesystem::perms;
    std::error_code error;
    const auto status = std::filesystem::status (toPath (file), error);

    return std::filesystem::exists (status)
        && (! file.hasWriteAccess()
             || (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) == perms::none);
}
} // namespace

struct QuillmorPelowin::StateAttributes
{
    std::array<std::optional<juce::String>, numParameters> parameters;
    std::optional<juce::String> presetName, mixLock, uiWidth, uiHeight;
};

/** Gathers the state's attributes in one walk, over a copy of the element whose attributes
    are taken off from the front: JUCE reaches an attribute by index or by name only by
    walking its list from the start, so looking up each name in turn would cost the square
    of the number of attributes. */
QuillmorPelowin::StateAttributes QuillmorPelowin::readStateAttributes (const juce::XmlElement& element)
{
    StateAttributes result;
    std::vector<std::pair<juce::String, std::optional<juce::String>*>> slots {
        { "presetName", &result.presetName }, { "mixLock", &result.mixLock },
        { "uiWidth", &result.uiWidth }, { "uiHeight", &result.uiHeight }
    };

    for (int index = 0; index < numParameters; ++index)
        slots.emplace_back (getParameterName (index), &result.parameters[(size_t) index]);

    juce::XmlElement rest (element);

    for (int count = element.getNumAttributes(); --count >= 0;)
    {
        const juce::Identifier name (rest.getAttributeName (0));

        for (auto& [slotName, slot] : slots)
        {
            if (quillmor::text::equalsIgnoringAsciiCase (name.getCharPointer(), slotName.toRawUTF8()))
            {
                if (! slot->has_value())
                    *slot = rest.getAttributeValue (0);

                break;
            }
        }

        rest.removeAttribute (name);
    }

    return result;
}

void QuillmorPelowin::writeStateXml (juce::XmlElement& element)
{
    const std::lock_guard<std::recursive_mutex> lock (stateLock);
    element.setAttribute ("pluginVersion", pluginVersionString);
    element.setAttribute ("presetName", presetName);

    for (int index = 0; index < numParameters; ++index)
        element.setAttribute (getParameterName (index),
                              juce::String (quillmor::text::formatXmlNumber (getParameter (index))));
}

std::uint64_t QuillmorPelowin::applyStateValues (const StateAttributes& attributes, bool asPreset)
{
    setPresetName (attributes.presetName.value_or (juce::String()));

    std::uint64_t changed = 0;
    const auto apply = [&] (int index, float fallback)
    {
        if (storeParameter (index, readParameterValue (attributes.parameters[(size_t) index], fallback)))
            changed |= std::uint64_t { 1 } << index;
    };

    // A preset sets Mix last and only when unlocked, so a locked mix never moves even
    // for a moment while the other values arrive.
    if (! asPreset)
        apply (mixIndex, getParameter (mixIndex));

    for (int index = mixIndex + 1; index < inputPanIndex; ++index)
        apply (index, getParameter (index));

    apply (inputPanIndex, 0.0f);

    if (asPreset && ! mixLock)
        apply (mixIndex, getParameter (mixIndex));

    return changed;
}

void QuillmorPelowin::getStateInformation (juce::MemoryBlock& destData)
{
    const std::lock_guard<std::recursive_mutex> lock (stateLock);
    juce::XmlElement element (stateTag);
    writeStateXml (element);
    element.setAttribute ("mixLock", mixLock ? 1 : 0);
    element.setAttribute ("uiWidth", uiWidth.load());
    element.setAttribute ("uiHeight", uiHeight.load());
    copyXmlToBinary (element, destData);
}

void QuillmorPelowin::setStateInformation (const void* data, int sizeInBytes)
{
    // The block as copyXmlToBinary packs it: "VC2!", the text's length (little endian,
    // read as an int) and the text, cut to that length.
    if (data == nullptr || sizeInBytes <= 8 || std::memcmp (data, "VC2!", 4) != 0)
        return;

    const auto* bytes = static_cast<const char*> (data);
    const auto declaredLength = static_cast<int> (juce::ByteOrder::littleEndianInt (bytes + 4));

    if (declaredLength <= 0)
        return;

    const auto element = parseStateText (bytes + 8, (size_t) std::min (declaredLength, sizeInBytes - 8));

    if (element == nullptr)
        return;

    const auto attributes = readStateAttributes (*element);
    const bool restored = hasStateTag (*element);

    {
        // Parameters, mix lock and size change together for a save on another thread.
        const std::lock_guard<std::recursive_mutex> lock (stateLock);

        if (restored)
            applyStateValues (attributes, false);

        mixLock = readBoolValue (attributes.mixLock);

        // A state from elsewhere may carry any size, or no number at all (read as 0).
        if (attributes.uiWidth.has_value())
            uiWidth = juce::jlimit (minEditorWidth, maxEditorWidth,
                                    quillmor::text::readSaturatedInt (attributes.uiWidth->toRawUTF8()));

        if (attributes.uiHeight.has_value())
            uiHeight = juce::jlimit (minEditorHeight, maxEditorHeight,
                                     quillmor::text::readSaturatedInt (attributes.uiHeight->toRawUTF8()));
    }

    if (! restored)
        return;

    // Not under the state lock: a host's listener may wait on a thread of the host's
    // own that is waiting for this lock in getStateInformation.
    //
    // A host that keeps its own copy of every value (LV2 does) learns of the
    // restored ones only when told; the LV2 wrapper sends them with the next block.
    // Wrappers that re-read all values after a restore (VST3, AU) ignore this.
    announceParameterValues();

    sendChangeMessage();
}

void QuillmorPelowin::loadPresetFile (const juce::File& file)
{
    if (! isRegularFile (file))
        return;

    juce::FileInputStream stream (file);

    if (! stream.openedOk())
        return;

    juce::MemoryBlock bytes;
    // A device file must not be read to exhaustion.
    stream.readIntoMemoryBlock (bytes, (juce::int64) quillmor::text::maxStateTextBytes + 1);

    if (bytes.getSize() > quillmor::text::maxStateTextBytes)
        return;

    setStateFromXmlText (decodePresetText (bytes));
}

void QuillmorPelowin::setStateFromXmlText (const juce::String& text)
{
    // The raw bytes, not getNumBytesAsUTF8: text from the clipboard may hold broken
    // UTF-8, which that count measures as re-encoded.
    const auto* utf8 = text.toRawUTF8();
    const auto element = parseStateText (utf8, std::strlen (utf8));

    if (element == nullptr || ! hasStateTag (*element))
        return;

    const auto attributes = readStateAttributes (*element);
    std::uint64_t changed;

    {
        const std::lock_guard<std::recursive_mutex> lock (stateLock);
        changed = applyStateValues (attributes, true);
    }

    // Every wrapper learns of values the host did not set itself only this way; after
    // the lock, as for a host restore. No gestures: a preset load is not a performance.
    announceParameterValues (changed);
}

bool QuillmorPelowin::savePresetFile (const juce::File& file)
{
    if (isWriteProtected (file))
        return false;

    juce::XmlElement element (stateTag);
    writeStateXml (element);
    const auto text = element.toString();   // declaration, UTF-8, lines wrapped at 60

    // The old file stays until the new one is whole on disk. JUCE's own writer buffers
    // and drops the count of a short write (a nearly full disk): it would report
    // success and put a truncated file in place of a good one.
    juce::TemporaryFile temporary (file, juce::TemporaryFile::useHiddenFile);

    {
        juce::FileOutputStream stream (temporary.getFile(), 0);   // unbuffered: every write is checked

        if (! stream.openedOk() || ! stream.write (text.toRawUTF8(), text.getNumBytesAsUTF8()))
            return false;

        stream.flush();   // and synced to the disk

        if (stream.getStatus().failed())
            return false;
    }

    // Only a rename replaces the old file whole or not at all. JUCE's own replacement
    // would, where the rename fails, delete the target (an empty folder too) and copy
    // with an unchecked write; a folder of that name makes the rename itself fail.
    std::error_code error;
    std::filesystem::rename (toPath (temporary.getFile()), toPath (file), error);
    return ! error;
}

void QuillmorPelowin::getStateAsXmlText (juce::String& result)
{
    juce::XmlElement element (stateTag);
    writeStateXml (element);
    result = element.toString (juce::XmlElement::TextFormat().singleLine().withoutHeader());
}

juce::String QuillmorPelowin::getPresetName() const
{
    const std::lock_guard<std::recursive_mutex> lock (stateLock);
    return presetName;
}

void QuillmorPelowin::setPresetName (const juce::String& newName)
{
    std::vector<juce::juce_wchar> characters;

    for (auto c = newName.getCharPointer(); ! c.isEmpty() && characters.size() < (size_t) maxPresetNameLength;)
    {
        const auto character = c.getAndAdvance();
        characters.push_back (character > 0x10ffff ? 0xfffd : character);
    }

    characters.push_back (0);

    const std::lock_guard<std::recursive_mutex> lock (stateLock);
    presetName = juce::CharPointer_UTF32 (characters.data());
}

QuillmorPelowin::EditorSize QuillmorPelowin::getEditorSize() const
{
    const std::lock_guard<std::recursive_mutex> lock (stateLock);
    return { uiWidth.load(), uiHeight.load() };
}

void QuillmorPelowin::setEditorSize (EditorSize size)
{
    const std::lock_guard<std::recursive_mutex> lock (stateLock);
    uiWidth = size.width;
    uiHeight = size.height;
}

bool QuillmorPelowin::isRegularFile (const juce::File& file)
{
    std::error_code error;
    return std::filesystem::is_regular_file (toPath (file), error);
}

juce::Array<juce::File> QuillmorPelowin::listPresetFolder (const juce::File& folder)
{
    juce::Array<juce::File> entries;
    const auto prefix = juce::File::addTrailingSeparator (folder.getFullPathName());
    std::error_code error;

    // The file system's own bytes: only a name checked here becomes a String.
    for (std::filesystem::directory_iterator entry (toPath (folder), error), end; ! error && entry != end; entry.increment (error))
    {
        if (const auto name = systemName (entry->path().filename().c_str()))
        {
            const juce::File file (prefix + *name);

            if (! file.isHidden())
                entries.add (file);
        }
    }

    // The file system's order is arbitrary; the arrows and the menu ids must not change
    // from one listing to the next.
    entries.sort();
    return entries;
}

namespace
{
/** The folder the user presets go under, named even before it exists (the editor
    creates it). JUCE names ~/.config on Linux whatever $XDG_CONFIG_HOME says: presets
    saved there stay found, and without them an absolute $XDG_CONFIG_HOME (the XDG rules
    ignore any other) is followed. Nothing where neither can be named, so nothing lands
    in the working folder. */
std::optional<juce::File> userPresetBase()
{
   #if JUCE_LINUX || JUCE_BSD
    // JUCE names ~ from $HOME, or the account's entry without it, and takes what it finds
    // as given: bytes that are not UTF-8 come back garbled, a HOME of "~" sends its path
    // expansion round until the stack runs out, and a relative one lands in the host's
    // working folder. Only a well-formed absolute path names a home folder.
    const char* home = std::getenv ("HOME");

    if (home == nullptr)
        if (const auto* account = getpwuid (getuid()))
            home = account->pw_dir;

    std::optional<juce::File> juceBase;

    if (const auto homeName = systemName (home); homeName.has_value() && homeName->startsWithChar ('/'))
        juceBase = juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);

    const auto xdgConfigHome = systemName (std::getenv ("XDG_CONFIG_HOME"));

    if (xdgConfigHome.has_value() && xdgConfigHome->startsWithChar ('/')
         && ! (juceBase.has_value() && juceBase->getChildFile (presetSubFolder).isDirectory()))
        return juce::File (*xdgConfigHome);

    return juceBase;
   #else
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);
   #endif
}
} // namespace

juce::String QuillmorPelowin::getPresetFolder (int which)
{
    if (which != 0)
    {
        const auto base = userPresetBase();
        return base.has_value() ? base->getChildFile (presetSubFolder).getFullPathName() : juce::String();
    }

    const auto base = juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory);
    return base.exists() ? base.getChildFile (presetSubFolder).getFullPathName() : juce::String();
}
