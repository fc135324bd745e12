#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "QuillmorChorusEngine.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

/** The plug-in's version text, written into state and shown by the editor. */
inline constexpr const char* pluginVersionString = "1.0.2";

/** The host-facing processor: owns the chorus engine and is the only way the
    host and the editor reach it. Parameters use JUCE's index-based API so that
    the host sees them as plain normalised values 0..1, indices 0 to 34. */
class QuillmorPelowin : public juce::AudioProcessor,
                        public juce::ChangeBroadcaster
{
public:
    /** Builds the engine and sets all 35 parameters to their defaults. */
    QuillmorPelowin();
    ~QuillmorPelowin() override;

    //==============================================================================
    /** "QuillmorPelowin". */
    const juce::String getName() const override;

    /** In an LV2 host, announces every parameter's value for the host's first block to
        carry; otherwise does nothing (the host rate reaches the engine with every block). */
    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    /** Does nothing. */
    void releaseResources() override;

    using AudioProcessor::processBlock;
    /** Processes one host block in place through the engine routine chosen by
        colour, speed and chorus mode. A buffer without two channels has nowhere to
        put the stereo result and comes out silent. MIDI is ignored. */
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;

    using AudioProcessor::processBlockBypassed;
    /** Passes the input through; a mono input is copied to both outputs. */
    void processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;

    /** Stereo or mono in, always stereo out. */
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    /** Channel i is named with the decimal text of i + 1. */
    const juce::String getInputChannelName (int channelIndex) const override;
    /** Channel i is named with the decimal text of i + 1. */
    const juce::String getOutputChannelName (int channelIndex) const override;
    /** Always true. */
    bool isInputChannelStereoPair (int index) const override;
    /** Always true. */
    bool isOutputChannelStereoPair (int index) const override;

    /** 0 seconds: the wet signal's 16-sample lag is not reported. */
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;

    /** Clears the engine's signal state. */
    void reset() override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    //==============================================================================
    // Parameters: index-based, normalised 0..1.

    /** 35. */
    int getNumParameters() override;
    /** The parameter's identifier ("Mix", ..., "InputPan"); empty outside 0-34. */
    const juce::String getParameterName (int index) override;
    using AudioProcessor::getParameterName;
    /** The identifier again: hosts key automation and state on it. */
    juce::String getParameterID (int index) override;
    /** The stored normalised value; 0 outside 0-34. */
    float getParameter (int index) override;
    /** The real value with its unit, e.g. "50.00 % "; empty outside 0-34. */
    const juce::String getParameterText (int index) override;
    using AudioProcessor::getParameterText;
    /** The default as a normalised value; 0 outside 0-34. */
    float getParameterDefaultValue (int index) override;
    /** Stores a normalised value for the engine's next block and sends one change message,
        unless it equals the stored value. NaN and infinities are ignored, other values
        clamped to 0..1, and a zero of either sign is stored as +0. Safe on any thread. */
    void setParameter (int index, float newValue) override;

    //==============================================================================
    // No host programs: presets are files of their own.
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    //==============================================================================
    // State, presets and the clipboard text.

    /** Fills the host state block: the state element with mix lock and editor size. */
    void getStateInformation (juce::MemoryBlock& destData) override;
    /** Restores a block written by getStateInformation. An element with another tag
        sets only the mix lock and the editor size; a block that does not unpack to one
        whole element changes nothing. */
    void setStateInformation (const void* data, int sizeInBytes) override;

    /** Sets version, preset name and the 35 parameter values on an element. */
    void writeStateXml (juce::XmlElement& element);

    /** Loads a preset file and tells the host each value that changed; an unreadable or
        foreign file, or anything but a regular file, changes nothing. Only strictly
        well-formed UTF-8 is read as UTF-8: other text without a UTF-16 byte-order mark
        is read as Windows-1252. */
    void loadPresetFile (const juce::File& file);
    /** Applies preset XML text as a preset file is applied. */
    void setStateFromXmlText (const juce::String& text);
    /** Writes the current state as a preset file. The file is replaced only once the
        new one is whole on disk; false, with the old file kept, when any step fails
        (the final rename included), the existing file is read-only or a folder has
        the file's name. */
    bool savePresetFile (const juce::File& file);
    /** Fills result with the preset element as one line of XML. */
    void getStateAsXmlText (juce::String& result);

    /** The current preset's name. */
    juce::String getPresetName() const;
    /** Replaces the current preset's name, cut to maxPresetNameLength characters. A
        character beyond U+10FFFF, which JUCE decodes from bytes such as F4 90 80 80 in a
        file name, becomes U+FFFD: written as a reference, it would make the text refused. */
    void setPresetName (const juce::String& newName);

    /** The longest preset name kept, in characters: far beyond any real name (a file name
        has at most 255 bytes), and short enough that state written with it, each
        character a 10-byte reference at worst, stays well inside what is read back. */
    static constexpr int maxPresetNameLength = 1024;

    /** Folder of factory presets (which = 0; empty when its base folder does not exist)
        or user presets (which = 1; named even before it exists, and empty only where
        neither HOME nor $XDG_CONFIG_HOME is a well-formed absolute path). Creates
        nothing. */
    static juce::String getPresetFolder (int which);

    /** A preset folder's files and folders, sorted by name, without hidden entries and
        without those whose names are not well-formed UTF-8: JUCE's own listing would cut
        such a name short at its first bad byte, naming a file that is not there.
        Empty when the folder cannot be listed. */
    static juce::Array<juce::File> listPresetFolder (const juce::File& folder);

    /** True for a regular file, following symbolic links. Only these are listed and
        loaded as presets: opening a FIFO would wait for a writer forever. */
    static bool isRegularFile (const juce::File& file);

    //==============================================================================
    // The host may save or restore state on its own thread while the editor works on
    // the message thread, so these are atomic; a restore and a save hold the state
    // lock, so a save never sees half a restore.

    /** Stored editor width in pixels; kept across editors and in host state. */
    std::atomic<int> uiWidth { 670 };
    /** Stored editor height in pixels; kept across editors and in host state. */
    std::atomic<int> uiHeight { 365 };
    /** While true, loading or pasting a preset leaves "Mix" alone. */
    std::atomic<bool> mixLock { false };

    /** An editor size in pixels. */
    struct EditorSize
    {
        int width, height;
    };

    /** The stored editor size, both values from the same moment. */
    EditorSize getEditorSize() const;
    /** Stores both values of the editor size at once. */
    void setEditorSize (EditorSize size);

    /** The editor's size limits in pixels; a size restored from host state is kept within them. */
    static constexpr int minEditorWidth = 446, maxEditorWidth = 1005;
    static constexpr int minEditorHeight = 243, maxEditorHeight = 547;

private:
    /** True for the indices the host and the editor may use. */
    static bool isParameterIndex (int index) noexcept;

    /** Bit i set for each of the 35 parameters. */
    static constexpr std::uint64_t allParameters = (std::uint64_t { 1 } << QuillmorChorusEngine::numParameters) - 1;

    /** Tells the wrapper's listeners the current value of each parameter whose bit is set
        in `which`. Not for the audio thread: JUCE locks its listener list for each call. */
    void announceParameterValues (std::uint64_t which = allParameters);
    /** The attributes that state is read from, each the first of its name in any ASCII
        letter case; empty when missing. */
    struct StateAttributes;
    /** Gathers an element's state attributes in one walk. */
    StateAttributes readStateAttributes (const juce::XmlElement& element);
    /** Sets preset name and parameters 0-34 from state attributes; the caller holds the
        state lock. A preset (`asPreset`) sets Mix last and leaves it alone while the mix
        lock is on; host state sets it first, always. Returns bit i set for each
        parameter whose value changed. */
    std::uint64_t applyStateValues (const StateAttributes& attributes, bool asPreset);

    /** Stores a normalised value as setParameter describes; true when it changed. */
    bool storeParameter (int index, float newValue);

    /** Hands the engine every parameter value set since it was last called, in index
        order. Runs at the start of each block, so on the audio thread only. */
    void applyParameterChanges() noexcept;

    QuillmorChorusEngine engine;

    // Held while state is written or applied, on the host's state thread and the message
    // thread, never on the audio thread. Recursive: writing state is part of saving it.
    mutable std::recursive_mutex stateLock;
    juce::String presetName;   ///< guarded by stateLock

    // Hosts and the editor set parameters on threads of their own while the audio thread
    // runs the engine, and one change rewrites several engine members (a whole tap layout,
    // a mode with its filters). So only the audio thread touches the engine: setParameter
    // stores the value here and marks it, and the next block applies it.
    std::array<std::atomic<float>, QuillmorChorusEngine::numParameters> parameterValues;
    std::atomic<std::uint64_t> changedParameters { 0 };   ///< bit i: value i not yet applied

    static_assert (QuillmorChorusEngine::numParameters <= 64, "one bit per parameter");
    static_assert (std::atomic<float>::is_always_lock_free && std::atomic<std::uint64_t>::is_always_lock_free,
                   "the audio thread must never wait");

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuillmorPelowin)
};
