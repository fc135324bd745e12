#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>
#include <memory>

#include "QuillmorSlider.h"

class QuillmorPelowin;

/**
    The plug-in's window: five main faders, six pages of knobs, switches, three
    combo boxes, the mix lock, the hint line and the preset menu.

    Every bound and font is a design value at 670 x 365 times `scale`
    (width / 670), truncated toward zero. Controls are public so the wrapper's
    tests can inspect and drive them; the processor stays the one owner of
    every value they show.
*/
class QuillmorPelowinEditor : public juce::AudioProcessorEditor,
                              public juce::Button::Listener,
                              public juce::ChangeListener,
                              public juce::Slider::Listener,
                              public juce::ComboBox::Listener,
                              public juce::Timer
{
public:
    /** Builds every control, fills it from the processor and starts listening to it. */
    explicit QuillmorPelowinEditor (QuillmorPelowin& processorToEdit);

    /** Stops listening to the processor; the controls go with the editor. */
    ~QuillmorPelowinEditor() override;

    /** Draws background, knob panel, logo, hint line and version text. */
    void paint (juce::Graphics&) override;

    /** Keeps the resizer in the corner and, on a new width, the stored size and layout. */
    void resized() override;

    /** Any change message from the processor refreshes every control. */
    void changeListenerCallback (juce::ChangeBroadcaster*) override;

    /** Sends the knob's normalised value to its parameter. */
    void sliderValueChanged (juce::Slider*) override;

    /** Opens the host gesture of the dragged knob's parameter. */
    void sliderDragStarted (juce::Slider*) override;

    /** Closes the host gesture of the dragged knob's parameter. */
    void sliderDragEnded (juce::Slider*) override;

    /** Preset menu, page buttons, mix lock, switches and preset arrows. */
    void buttonClicked (juce::Button*) override;

    /** Writes the selected item of a combo box to its parameter in one gesture. */
    void comboBoxChanged (juce::ComboBox*) override;

    /** Every 50 ms: follows the control under the mouse, retires a message whose time is
        up, and redraws the hint line when its text changed. */
    void timerCallback() override;

    /** Sets fonts, text boxes and bounds of every control from `scale`. */
    void layoutControls();

    /** Finds the control under the mouse (whichever of its parts JUCE delivers the mouse
        to) and takes its help text as `hintText`. */
    void updateHintText();

    /** Reads all parameters (under the callback lock) back into the controls. */
    void updateControlsFromProcessor();

    /** Installs the colour scheme the colour switch shows; optionally writes it as ColorMode. */
    void applyColourMode (bool writeParameter);

    /** Lists the user and then the factory presets into `presetMenu` and `presetFilePaths`. */
    void rebuildPresetMenu();

    /** Modal callback of the preset menu; ignores a dismissed menu and a deleted editor. */
    static void presetMenuCallback (int result, QuillmorPelowinEditor* editor);

    /** Carries out a preset menu choice: 1 copy, 2 paste, 3 save, 4 and up load. */
    void presetMenuItemChosen (int result);

    /** Saves under the name of a file picked in the save dialog; empty means cancelled.
        Asks before replacing an existing file other than the one the dialog showed (it
        has asked about that one). */
    void saveToChosenFile (const juce::File& chosenFile);

    /** Saves under a name typed where there is no file dialog, into the user preset
        folder only. The name is a preset name, not a file name: only a ".qpreset" ending
        (in any case) is dropped, the rest is cut as a picked file's name is, and the file
        is the name + ".qpreset". A name that is blank, starts with '.' or holds '/' is
        refused with a message; the save asks before replacing any existing file. */
    void saveUnderTypedName (const juce::String& typedName);

    /** The preset name a picked file gives, cut to the length a preset file name allows. */
    static juce::String presetNameForFile (const juce::File& chosenFile);

    /** The file actually written for a picked file: its folder, the name, ".qpreset". */
    static juce::File presetFileForChoice (const juce::File& chosenFile);

    /** Asks whether an existing file may be replaced and answers through the callback,
        later; the save asks only through this, so it can be answered without a window. */
    std::function<void (const juce::File&, std::function<void (bool replace)>)> confirmReplace;

    /** True where the system has a file dialog of its own. Without one JUCE would open its
        own browser, which shows a file name that is not UTF-8 cut short at its first bad
        byte, so a click on it names another file; "Save as..." then asks only for a name. */
    bool useNativeFileChooser = juce::FileChooser::isPlatformDialogAvailable();

    /** Asks for a preset name and, unless cancelled, answers through the callback, later;
        replaceable, like confirmReplace, so it can be answered without a window. */
    std::function<void (std::function<void (const juce::String& name)>)> askPresetName;

    /** Hint code when no control of the hint table is under the mouse. */
    static constexpr int noHoveredControl = -1;

    /** Timer ticks (50 ms each) a message stays on the hint line unless the mouse moves
        to another control first. */
    static constexpr int messageTicks = 100;

    static constexpr int numKnobs = 27;
    static constexpr int designWidth = 670;
    static constexpr int designHeight = 365;

    juce::String clipboardText;
    juce::Array<juce::File> presetFilePaths;
    int currentPresetIndex = -1;
    juce::PopupMenu presetMenu;
    std::unique_ptr<juce::ResizableCornerComponent> resizer;
    juce::ComponentBoundsConstrainer constrainer;
    juce::OwnedArray<QuillmorSlider> knobs;
    juce::OwnedArray<juce::Label> knobLabels;
    juce::TextButton shapeEditorSelect { "shapeEditorSelect", {} };
    juce::TextButton diffEditorSelect { "diffEditorSelect", {} };
    juce::TextButton eqEditorSelect { "eqEditorSelect", {} };
    juce::TextButton modEditorSelect { "modEditorSelect", {} };
    juce::TextButton driveEditorSelect { "driveEditorSelect", {} };
    juce::TextButton warpEditorSelect { "warpEditorSelect", {} };
    juce::TextButton mixLockButton { "mixLockButton", {} };
    juce::Label modeLabel { "hint", "label" };
    juce::ComboBox modeComboBox { "modeComboBox" };
    juce::Label colorModeLabel { "hint", "label" };
    juce::TextButton colorModeButton { "colorModeButton", {} };
    juce::Label driveModeLabel { "hint", "label" };
    juce::TextButton driveModeButton { "driveModeButton", {} };
    juce::Label diffEnableLabel { "hint", "label" };
    juce::TextButton diffEnableButton { "diffEnableButton", {} };
    juce::Label drivePrePostLabel { "hint", "label" };
    juce::TextButton drivePrePostButton { "drivePrePostButton", {} };
    juce::Label speedLabel { "hint", "label" };
    juce::TextButton speedButton { "speedButton", {} };
    juce::Label syncLabel { "hint", "label" };
    juce::ComboBox delaySyncComboBox { "delaySyncComboBox" };
    juce::Label inputPanLabel { "hint", "label" };
    juce::ComboBox panningModeComboBox { "panningModeComboBox" };
    juce::Label presetLabel { "hint", "label" };
    juce::TextButton presetsSelect { "presetsSelect", {} };
    juce::ImageButton previousPreset { "previousPreset" };
    juce::ImageButton nextPreset { "nextPreset" };
    juce::Colour accentColour { 0xff5086b6 };
    juce::Colour backgroundColour { 0xff494949 };
    float scale = 1.0f;
    int hoveredControl = noHoveredControl;
    int lastHoveredControl = noHoveredControl;
    bool hintChanged = false;
    juce::String versionText;
    juce::String hintText;
    juce::String defaultHintText;
    juce::String messageText;     // shown instead of the hint while messageTicksLeft > 0
    int messageTicksLeft = 0;
    juce::File factoryPresetFolder;
    juce::File userPresetFolder;

private:
    /** A switch: a toggling text button over its label, carrying one parameter. */
    struct Switch
    {
        juce::TextButton* button;
        juce::Label* label;
        int parameter;
        const char* labelText;
        const char* offText;
        const char* onText;
        const char* helpText;
    };

    /** A combo box: item k stands for the normalised value k / steps. */
    struct Choice
    {
        juce::ComboBox* box;
        juce::Label* label;
        int parameter;
        float steps;
        bool truncates;      // item from the value by truncation rather than floor
        const char* labelText;
        const char* helpText;
        juce::StringArray items;
        const char* nothingSelectedText;
    };

    /** A page: its button and the knobs and other controls it shows. */
    struct Page
    {
        juce::TextButton* button;
        const char* text;
        const char* helpText;
        int firstKnob;
        int lastKnob;
        int firstSlot;       // slot of the first knob in the row of five
        std::vector<juce::Component*> otherControls;
    };

    /** A control of the hint table and where its help text comes from. */
    struct HintTarget
    {
        int code;
        const juce::Component* control;
        juce::SettableTooltipClient* helpFrom;
    };

    QuillmorPelowin& pelowin();
    const Switch* findSwitch (const juce::Button*) const;
    const Choice* findChoice (const juce::ComboBox*) const;
    const Page* findPage (const juce::Button*) const;
    void showPage (const Page&);
    void stepPreset (int direction);
    void writeParameter (int index, float value);
    void setSwitchText (const Switch&, bool on);
    void selectItem (const Choice&, float normalisedValue, juce::NotificationType);
    void applyArrowImages (bool darkScheme);
    void savePreset (const juce::File& target, const juce::String& name, bool askBeforeReplacing);
    void showPrompt (std::unique_ptr<juce::AlertWindow>, std::function<void (juce::AlertWindow&, int button)> answer);
    void addPresetFolder (const juce::File& folder, juce::StringArray& items);
    void setSizeWithinLimits (int width, int height);
    int scaled (int designValue) const noexcept;
    juce::Rectangle<int> scaled (int x, int y, int w, int h) const noexcept;
    juce::Font plainFont (float designHeight) const;
    juce::Rectangle<int> hintBox() const noexcept;
    void showMessage (const juce::String&);

    std::array<Switch, 5> switches;
    std::array<Choice, 3> choices;
    std::array<Page, 6> pages;
    std::vector<HintTarget> hintTargets;
    std::unique_ptr<juce::FileChooser> saveChooser;
    std::unique_ptr<juce::AlertWindow> prompt;   // the name prompt or the question before replacing
    int laidOutWidth = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuillmorPelowinEditor)
};
