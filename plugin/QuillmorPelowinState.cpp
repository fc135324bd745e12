#include "QuillmorPelowin.h"
#include "QuillmorPelowinText.h"

#include <algorithm>
#include <cfloat>
#include <cstring>
#include <filesystem>

namespace
{
const char* const stateTag = "QuillmorPelowin";
const char* const presetSubFolder = "Audio/Presets/Quillmor DSP, LLC/QuillmorPelowin";

constexpr int mixIndex = QuillmorChorusEngine::mixParameter;
constexpr int inputPanIndex = QuillmorChorusEngine::inputPanParameter;
constexpr int numParameters = QuillmorChorusEngine::numParameters;

// A preset is a few kilobytes; anything far larger is not one of ours, and a
// device file must not be read to exhaustion.
constexpr juce::int64 maxPresetFileBytes = 64 * 1024;

/** Index of the attribute called `name` in any ASCII letter case, or -1. */
int findAttribute (const juce::XmlElement& element, const char* name)
{
    for (int i = 0; i < element.getNumAttributes(); ++i)
        if (quillmor::text::equalsIgnoringAsciiCase (element.getAttributeName (i).toRawUTF8(), name))
            return i;

    return -1;
}

bool hasStateTag (const juce::XmlElement& element)
{
    return quillmor::text::equalsIgnoringAsciiCase (element.getTagName().toRawUTF8(), stateTag);
}

/** The attribute's text read as a double (text that is no number reads 0) and
    narrowed to float without overflowing; `fallback` when it is missing. */
float readParameterAttribute (const juce::XmlElement& element, const char* name, float fallback)
{
    const int i = findAttribute (element, name);

    if (i < 0)
        return fallback;

    const auto text = quillmor::text::limitExponentDigits (element.getAttributeValue (i).toRawUTF8());
    const double value = juce::String::fromUTF8 (text.c_str()).getDoubleValue();
    return static_cast<float> (std::clamp (value, -static_cast<double> (FLT_MAX), static_cast<double> (FLT_MAX)));
}

/** True when the attribute's first non-blank character is 1, t, T, y or Y;
    false when it is missing. */
bool readBoolAttribute (const juce::XmlElement& element, const char* name)
{
    const int i = findAttribute (element, name);

    if (i < 0)
        return false;

    const auto first = element.getAttributeValue (i).trimStart()[0];
    return first == '1' || first == 't' || first == 'T' || first == 'y' || first == 'Y';
}

juce::String readPresetNameAttribute (const juce::XmlElement& element)
{
    const int i = findAttribute (element, "presetName");
    return i < 0 ? juce::String() : element.getAttributeValue (i);
}

/** Parses preset text from a file or the clipboard; nullptr for anything that
    is not a complete element or carries a DTD. */
std::unique_ptr<juce::XmlElement> parsePresetText (const juce::String& text)
{
    // The raw bytes, not getNumBytesAsUTF8: text from the clipboard may hold broken
    // UTF-8, which that count measures as re-encoded, shorter than it is.
    if (! quillmor::text::isSafeCompleteXml (text.toRawUTF8(), std::strlen (text.toRawUTF8())))
        return {};

    return juce::XmlDocument (text).getDocumentElement();
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

void QuillmorPelowin::writeStateXml (juce::XmlElement& element)
{
    const std::lock_guard<std::recursive_mutex> lock (stateLock);
    element.setAttribute ("pluginVersion", pluginVersionString);
    element.setAttribute ("presetName", presetName);

    for (int index = 0; index < numParameters; ++index)
        element.setAttribute (getParameterName (index),
                              juce::String (quillmor::text::formatXmlNumber (getParameter (index))));
}

void QuillmorPelowin::applyStateXml (const juce::XmlElement& element)
{
    if (applyStateValues (element))
        notifyStateRestored();
}

bool QuillmorPelowin::applyStateValues (const juce::XmlElement& element)
{
    if (! hasStateTag (element))
        return false;

    const std::lock_guard<std::recursive_mutex> lock (stateLock);
    presetName = readPresetNameAttribute (element);

    for (int index = 0; index < inputPanIndex; ++index)
        setParameter (index, readParameterAttribute (element, getParameterName (index).toRawUTF8(), getParameter (index)));

    setParameter (inputPanIndex, readParameterAttribute (element, getParameterName (inputPanIndex).toRawUTF8(), 0.0f));
    return true;
}

void QuillmorPelowin::notifyStateRestored()
{
    // Not under the state lock: a host's listener may wait on a thread of the host's
    // own that is waiting for this lock in getStateInformation.
    //
    // A host that keeps its own copy of every value (LV2 does) learns of the
    // restored ones only when told; the LV2 wrapper sends them with the next block.
    // Wrappers that re-read all values after a restore (VST3, AU) ignore this.
    announceParameterValues();

    sendChangeMessage();
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
    // getXmlFromBinary parses the text behind an 8-byte header (4 magic bytes and
    // a little-endian length), cut to that length: the check must see that very text.
    if (data == nullptr || sizeInBytes <= 8)
        return;

    const auto* text = static_cast<const char*> (data) + 8;
    const auto declaredLength = juce::ByteOrder::littleEndianInt (text - 4);
    const auto textLength = std::min ((size_t) declaredLength, (size_t) sizeInBytes - 8);

    if (! quillmor::text::isSafeCompleteXml (text, textLength))
        return;

    const auto element = getXmlFromBinary (data, sizeInBytes);

    if (element == nullptr)
        return;

    // Parameters, mix lock and size change together for a save on another thread.
    std::unique_lock<std::recursive_mutex> lock (stateLock);
    const bool restored = applyStateValues (*element);

    mixLock = readBoolAttribute (*element, "mixLock");

    // A state from elsewhere may carry any size, or no number at all (read as 0).
    if (const int i = findAttribute (*element, "uiWidth"); i >= 0)
        uiWidth = juce::jlimit (minEditorWidth, maxEditorWidth,
                                quillmor::text::readSaturatedInt (element->getAttributeValue (i).toRawUTF8()));

    if (const int i = findAttribute (*element, "uiHeight"); i >= 0)
        uiHeight = juce::jlimit (minEditorHeight, maxEditorHeight,
                                quillmor::text::readSaturatedInt (element->getAttributeValue (i).toRawUTF8()));

    lock.unlock();

    if (restored)
        notifyStateRestored();
}

void QuillmorPelowin::loadPresetFile (const juce::File& file)
{
    if (! isRegularFile (file))
        return;

    juce::FileInputStream stream (file);

    if (! stream.openedOk())
        return;

    juce::MemoryBlock bytes;
    stream.readIntoMemoryBlock (bytes, maxPresetFileBytes + 1);

    if ((juce::int64) bytes.getSize() > maxPresetFileBytes)
        return;

    setStateFromXmlText (juce::String::createStringFromData (bytes.getData(), (int) bytes.getSize()));
}

void QuillmorPelowin::setStateFromXmlText (const juce::String& text)
{
    const auto element = parsePresetText (text);

    if (element == nullptr || ! hasStateTag (*element))
        return;

    const std::lock_guard<std::recursive_mutex> lock (stateLock);
    presetName = readPresetNameAttribute (*element);

    // Mix goes last and only when unlocked, so a locked mix never moves even
    // for a moment while the other values arrive.
    for (int index = 1; index < inputPanIndex; ++index)
        setParameter (index, readParameterAttribute (*element, getParameterName (index).toRawUTF8(), getParameter (index)));

    setParameter (inputPanIndex, readParameterAttribute (*element, getParameterName (inputPanIndex).toRawUTF8(), 0.0f));

    if (! mixLock)
        setParameter (mixIndex, readParameterAttribute (*element, getParameterName (mixIndex).toRawUTF8(), getParameter (mixIndex)));
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

    return temporary.overwriteTargetFileWithTemporary();
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
    const std::lock_guard<std::recursive_mutex> lock (stateLock);
    presetName = newName;
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

namespace
{
/** The folder the user presets go under, named even before it exists (the editor
    creates it). JUCE names ~/.config on Linux whatever $XDG_CONFIG_HOME says: presets
    saved there stay found, and without them an absolute $XDG_CONFIG_HOME (the XDG rules
    ignore any other) is followed. Never empty, so nothing lands in the working folder. */
juce::File userPresetBase()
{
    const auto juceBase = juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);
   #if JUCE_LINUX || JUCE_BSD
    const auto xdgConfigHome = juce::SystemStats::getEnvironmentVariable ("XDG_CONFIG_HOME", {});

    if (xdgConfigHome.startsWithChar ('/') && ! juceBase.getChildFile (presetSubFolder).isDirectory())
        return juce::File (xdgConfigHome);
   #endif
    return juceBase;
}
} // namespace

juce::String QuillmorPelowin::getPresetFolder (int which)
{
    if (which != 0)
        return userPresetBase().getChildFile (presetSubFolder).getFullPathName();

    const auto base = juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory);
    return base.exists() ? base.getChildFile (presetSubFolder).getFullPathName() : juce::String();
}
