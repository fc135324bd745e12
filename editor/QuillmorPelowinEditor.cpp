#include "QuillmorPelowinEditor.h"

#include "QuillmorPelowinLookAndFeel.h"
#include "QuillmorPelowin.h"

#include <BinaryData.h>

#include <cmath>
#include <filesystem>
#include <iterator>
#include <utility>

namespace
{
/** One knob: the range of its parameter, how it reads and what it explains. */
struct KnobInfo
{
    const char* labelText;   // nullptr: the mix-lock button names knob 0
    double minimum, maximum, interval, skew;
    const char* suffix;
    const char* helpText;
};

const char* const mixHelp = "MIX: controls the balance of the input signal with the chorus\n"
                            "click on the mix label above the slider to lock or unlock the mix level";

const KnobInfo knobTable[QuillmorPelowinEditor::numKnobs] = {
    { nullptr, 0, 100, 0.1, 1, " % ", mixHelp },
    { "DEPTH", 0, 100, 0.1, 1, " % ", "DEPTH: global control over slow/fast modulation depths" },
    { "WIDTH", 0, 200, 0.1, 1, " % ",
      "WIDTH: controls the stereo width of the delay taps. 0% corresponds to mono, 100% to full stereo, "
      "and greater than 100% to super-stereo (outside the speakers, behind your head)" },
    { "DELAY", 0, 1000, 0.1, 0.3, " ms ", "DELAY: sets the delay time of the longest delay taps, in milliseconds" },
    { "FEEDBACK", 0, 100, 0.1, 1, " % ", "FEEDBACK: controls the amount of feedback around the longest delay taps" },
    { "Spread", 0, 100, 0.1, 1, " % ", "Spread: controls the spread of the delay taps in time" },
    { "Slope", -100, 100, 0.1, 1, " % ",
      "Slope: controls the relative amplitude of the delay taps versus time. values less than 0% fade in "
      "over time, while values greater than 0% fade out over time." },
    { "Skew", -100, 100, 0.1, 1, " % ",
      "Skew: controls the initial tap delays relative to output channel. values less than 0% skew to the "
      "left, while values greater than 0% will skew to the right." },
    { "Random", 0, 100, 0.1, 1, " % ",
      "Random: breaks up the comb filtering between taps. a value of 0% results in equal spacing (metallic), "
      "while values greater than 0% become more randomized." },
    { "TapGain", -12, 12, 0.1, 1, " dB ", "Tap Gain: acts as a gain trim for the output taps (i.e. the delayed/wet signal)" },
    { "Diffusion", 0, 100, 0.1, 1, " % ", "Diffusion: adds echo density to the delay taps" },
    { "Size", 10, 500, 1, 1, " ms ",
      "Diffusion Size: sets the total size of the delays in the diffusion section, in milliseconds" },
    { "ModRate", 0.01, 10, 0.01, 1, " Hz ",
      "Diffusion Mod Rate: controls the average rate of the diffusion modulation, in Hertz" },
    { "ModDepth", 0, 100, 0.1, 1, " % ", "Diffusion Mod Depth: controls the depth of the diffusion modulation" },
    { "Low Cut", 10, 2000, 10, 1, " Hz ",
      "Low Cut: controls the cutoff frequency of a highpass filter in the delay feedback loop" },
    { "High Cut", 100, 20000, 10, 1, " Hz ",
      "High Cut: controls the cutoff frequency of a lowpass filter in the delay feedback loop" },
    { "SpatialEQ", 10, 2000, 10, 1, " Hz ",
      "Spatial Xover: controls the frequency at which the WIDTH control has maximum effect" },
    { "SlowRate", 0.01, 10, 0.01, 1, " Hz ", "Slow Rate: controls the rate of the slower chorus modulation, in Hertz" },
    { "SlowDepth", 0, 100, 0.1, 1, " % ", "Slow Depth: controls the depth of the slower chorus modulation" },
    { "VibRate", 0.05, 20, 0.01, 1, " Hz ", "Vibrato Rate: controls the rate of the faster chorus modulation, in Hertz" },
    { "VibDepth", 0, 100, 0.1, 1, " % ", "Vibrato Depth: controls the depth of the faster chorus modulation" },
    { "OverMod", 1, 100, 0.1, 1, " X ",
      "OverMod: turns up the slower/detune modulation depth WAY TOO HIGH. Seriously, use caution" },
    { "InGain", 0, 24, 0.1, 1, " dB ",
      "Drive Input Gain: controls the level of the input signal for the overdrive section, in decibels" },
    { "OutGain", -24, 0, 0.1, 1, " dB ",
      "Drive Output Gain: controls the level of the output signal for the overdrive section, in decibels" },
    { "NoiseGain", -120, -30, 0.1, 1, " dB ",
      "Drive Noise Gain: controls the level of the noise in the overdrive section, in decibels" },
    { "fbMix", 0, 100, 0.1, 1, " % ",
      "Feedback Rotate: controls the stereo image of the feedback signal. 0% corresponds to parallel mono "
      "delays, 50% to full mixing between left and right delays, and 100% to pingpong feedback." },
    { "Smoothing", 1, 1000, 0.1, 0.3, " ms ",
      "Smoothing: controls the rate at which delay changes are smoothed out, in milliseconds. Shorter values "
      "result in faster changes, while longer values result in tape delay effects." },
};

constexpr int numMainKnobs = 5;
constexpr int colorModeParameter = 27;
constexpr int inputPanParameter = 34;
constexpr int numParameters = 35;
constexpr int pageRadioGroup = 12345;
constexpr int firstPresetMenuId = 4;
constexpr int maxPresetNameLength = 32;   // 40 characters of file name less ".qpreset"

const juce::String presetExtension (".qpreset");

const juce::Colour white (0xffffffff);
const juce::Colour panelColour (0xff343434);
const juce::Colour blue (0xff5086b6);
const juce::Colour clearGrey (0x00797979);
const juce::Colour clearBlue (0x00466fb7);

const juce::String mixUnlockedHelp = juce::String (mixHelp) + "\nmix slider currently unlocked";
const juce::String mixLockedHelp = juce::String (mixHelp) + "\nmix slider currently locked";

/** Item id for a normalised value, computed in float as the host's values are:
    in double, 24 x (5/24 as float) lands just below 5 and shows the previous item. */
int itemIdFor (float normalisedValue, float steps, bool truncates)
{
    const float position = steps * normalisedValue;

    if (! std::isfinite (position))
        return 0;

    const float whole = truncates ? std::trunc (position) : std::floor (position);
    return (int) juce::jlimit (-1.0f, steps + 1.0f, whole);
}

/** Puts the process's working folder back, as the system's own bytes, at the latest when
    it goes. JUCE's zenity and kdialog chooser moves the working folder (in a plug-in,
    the host's) to the dialog's folder and leaves it there. */
class WorkingFolderKeeper
{
public:
    WorkingFolderKeeper() : folder (std::filesystem::current_path (error)) {}
    ~WorkingFolderKeeper() { restore(); }

    void restore()
    {
        if (! error && ! folder.empty())
            std::filesystem::current_path (std::exchange (folder, {}), error);
    }

private:
    std::error_code error;
    std::filesystem::path folder;
};

bool switchIsOn (float normalisedValue)
{
    return std::floor (normalisedValue) != 0.0f;
}

juce::Image arrowImage (bool previous, bool darkScheme)
{
    if (darkScheme)
        return previous ? juce::ImageCache::getFromMemory (BinaryData::PreviousPresetBlue_png, BinaryData::PreviousPresetBlue_pngSize)
                        : juce::ImageCache::getFromMemory (BinaryData::NextPresetBlue_png, BinaryData::NextPresetBlue_pngSize);

    return previous ? juce::ImageCache::getFromMemory (BinaryData::PreviousPresetBlack_png, BinaryData::PreviousPresetBlack_pngSize)
                    : juce::ImageCache::getFromMemory (BinaryData::NextPresetBlack_png, BinaryData::NextPresetBlack_pngSize);
}
} // namespace

//==============================================================================
QuillmorPelowinEditor::QuillmorPelowinEditor (QuillmorPelowin& processorToEdit)
    : juce::AudioProcessorEditor (processorToEdit),
      confirmReplace ([this] (const juce::File& file, std::function<void (bool)> answer)
                      {
                          // JUCE's own question, Replace answering 1, but owned here.
                          showPrompt (std::unique_ptr<juce::AlertWindow> (getLookAndFeel().createAlertWindow (
                                          "Save preset as...", file.getFileName() + " already exists. Replace it?", "Replace",
                                          "Cancel", {}, juce::MessageBoxIconType::QuestionIcon, 2, this)),
                                      [answer] (juce::AlertWindow&, int button) { answer (button == 1); });
                      }),
      askPresetName ([this] (std::function<void (const juce::String&)> answer)
                     {
                         auto window = std::make_unique<juce::AlertWindow> ("Save preset as...", "Preset name:",
                                                                            juce::MessageBoxIconType::NoIcon, this);
                         window->addTextEditor ("name", {});
                         // JUCE puts the buttons first in the focus order, so the keys typed as
                         // the prompt opens would go to them; the field comes first, also when
                         // the window is given the keyboard only after it shows.
                         window->getTextEditor ("name")->setExplicitFocusOrder (1);
                         window->addButton ("Save", 1, juce::KeyPress (juce::KeyPress::returnKey));
                         window->addButton ("Cancel", 0, juce::KeyPress (juce::KeyPress::escapeKey));
                         showPrompt (std::move (window), [answer] (juce::AlertWindow& prompt, int button)
                                     {
                                         if (button == 1)
                                             answer (prompt.getTextEditorContents ("name"));
                                     });
                     }),
      switches { {
          { &colorModeButton, &colorModeLabel, 27, "Mode", "Bright", "Dark",
            "Color Mode: use to toggle between bright and dark modes" },
          { &driveModeButton, &driveModeLabel, 31, "On/Off", "OFF", "ON",
            "Drive On/Off: use to switch overdrive in feedback loop off and on" },
          { &drivePrePostButton, &drivePrePostLabel, 32, "Pre/Post", "PRE", "POST",
            "Drive Pre/Post: select whether the overdrive is placed pre-output or post-output" },
          { &diffEnableButton, &diffEnableLabel, 30, "On/Off", "OFF", "ON",
            "Diff On/Off: use to switch diffusion off and on" },
          { &speedButton, &speedLabel, 33, "Speed", "1X", "1/2X",
            "Speed: switches the delay between full speed (1X) and half speed (1/2X). Full speed is brighter, "
            "while half speed is darker, with delays twice as long." },
      } },
      choices { {
          { &modeComboBox, &modeLabel, 29, 24.0f, false, "MODE:",
            "CHORUS MODE: selects the chorus algorithm to use. high level control for the number of delay taps "
            "as well as the modulation waveforms.",
            { "2TapChorus", "4TapEnsemble", "SuperSix", "6TapRandom", "DualEnsemble", "8Tap", "16Phase", "16Tap", "32Tap" },
            "2TapChorus" },
          { &delaySyncComboBox, &syncLabel, 28, 17.0f, true, "SYNC:",
            "DELAY SYNC: select what tempo subdivision is used for the delay time",
            { "Free", "1/16", "1/8", "1/4", "2/4", "4/4", "8/4", "1/16.", "1/8.", "1/4.", "2/4.", "4/4.",
              "1/16T", "1/8T", "1/4T", "2/4T", "4/4T" },
            "Free" },
          { &panningModeComboBox, &inputPanLabel, inputPanParameter, 8.0f, false, "InputPan",
            "InputPan: controls how left and right input channels are sent to the delay lines.",
            { "Stereo", "Swap", "Mono", "Left", "Right" },
            "Stereo" },
      } },
      pages { {
          { &shapeEditorSelect, "TAPS",
            "TAPS: enables knobs for shaping the slope, density, diffusion, etc. of the delay taps", 5, 9, 5, {} },
          { &diffEditorSelect, "DIFF", "DIFF: enables knobs for controlling the diffused delays", 10, 13, 6,
            { &diffEnableLabel, &diffEnableButton } },
          { &eqEditorSelect, "EQ",
            "EQ: enables knobs for controlling the equalization and saturation of the delay taps", 14, 16, 6,
            { &colorModeLabel, &colorModeButton } },
          { &modEditorSelect, "MOD",
            "MOD: enables knobs for adjusting the modulation depth and width of the delay taps", 17, 21, 5, {} },
          { &driveEditorSelect, "DRIVE", "DRIVE: enables knobs for controlling the overdrive characteristics",
            22, 24, 6, { &driveModeLabel, &driveModeButton, &drivePrePostLabel, &drivePrePostButton } },
          { &warpEditorSelect, "WARP",
            "WARP: enables knobs for controlling the feedback mix, smoothing time, and speed", 25, 26, 6,
            { &speedLabel, &speedButton, &inputPanLabel, &panningModeComboBox } },
      } }
{
    auto& proc = pelowin();
    auto* sharedLookAndFeel = &QuillmorPelowinLookAndFeel::getSharedInstance();
    juce::LookAndFeel::setDefaultLookAndFeel (sharedLookAndFeel);

    factoryPresetFolder = juce::File (QuillmorPelowin::getPresetFolder (0));
    userPresetFolder = juce::File (QuillmorPelowin::getPresetFolder (1));

    if (userPresetFolder != juce::File() && ! userPresetFolder.isDirectory())
        userPresetFolder.createDirectory();

    versionText = juce::String ("Version ") + pluginVersionString + " \nwww.quillmor.example";

    for (int j = 1; j < numKnobs; ++j)
        addAndMakeVisible (knobLabels.add (new juce::Label ("hint", "label")));

    for (int j = 1; j < numKnobs; ++j)
    {
        auto& label = *knobLabels[j - 1];
        label.setText (knobTable[j].labelText, juce::dontSendNotification);
        label.setJustificationType (juce::Justification::horizontallyCentred);
        label.setColour (juce::Label::textColourId, white);
    }

    for (int i = 0; i < numKnobs; ++i)
        addAndMakeVisible (knobs.add (new QuillmorSlider (juce::String (i))));

    for (int i = 0; i < numKnobs; ++i)
    {
        const auto& info = knobTable[i];
        knobs[i]->setRange (info.minimum, info.maximum, info.interval);

        if (info.skew != 1.0)
            knobs[i]->setSkewFactor (info.skew);

        knobs[i]->setTooltip (info.helpText);
    }

    for (int i = 0; i < numKnobs; ++i)
    {
        auto& knob = *knobs[i];
        const bool isMain = i < numMainKnobs;
        knob.addListener (this);
        knob.setSliderStyle (isMain ? juce::Slider::LinearVertical : juce::Slider::RotaryVerticalDrag);
        knob.setColour (juce::Slider::thumbColourId, white);

        if (isMain)
        {
            knob.setColour (juce::Slider::backgroundColourId, juce::Colour (0x00ff9320));
            knob.setColour (juce::Slider::trackColourId, white);
            knob.setColour (juce::Slider::rotarySliderFillColourId, panelColour);
            knob.setColour (juce::Slider::textBoxTextColourId, white);
            knob.setColour (juce::Slider::textBoxBackgroundColourId, backgroundColour);
            knob.setColour (juce::Slider::textBoxHighlightColourId, backgroundColour);
        }
        else
        {
            knob.setColour (juce::Slider::rotarySliderFillColourId, white);
            knob.setColour (juce::Slider::rotarySliderOutlineColourId, blue);
            knob.setColour (juce::Slider::textBoxTextColourId, juce::Colour (0xfffcfbfb));
            knob.setColour (juce::Slider::textBoxBackgroundColourId, panelColour);
            knob.setColour (juce::Slider::textBoxHighlightColourId, panelColour);
        }

        knob.setPopupMenuEnabled (true);
        knob.setProportionalValue (false, proc.getParameter (i));
    }

    // A selection inside an edited text box reads white on the scheme's background.
    juce::LookAndFeel::getDefaultLookAndFeel().setColour (juce::TextEditor::highlightedTextColourId, white);

    for (const auto& page : pages)
    {
        const bool visible = page.button == &modEditorSelect;

        for (int k = page.firstKnob; k <= page.lastKnob; ++k)
        {
            knobs[k]->setVisible (visible);
            knobLabels[k - 1]->setVisible (visible);
        }
    }

    for (int i = 0; i < numKnobs; ++i)
        knobs[i]->setTextValueSuffix (knobTable[i].suffix);

    for (auto* button : { &shapeEditorSelect, &eqEditorSelect, &modEditorSelect,
                          &diffEditorSelect, &driveEditorSelect, &warpEditorSelect })
    {
        const auto& page = *findPage (button);
        addAndMakeVisible (*button);
        button->setButtonText (page.text);
        button->addListener (this);
        button->setColour (juce::TextButton::buttonColourId, white);
        button->setColour (juce::TextButton::buttonOnColourId, accentColour);
        button->setColour (juce::TextButton::textColourOnId, white);
        button->setColour (juce::TextButton::textColourOffId, panelColour);
        button->setClickingTogglesState (true);

        if (button == &modEditorSelect)
            button->setToggleState (true, juce::dontSendNotification);

        button->setRadioGroupId (pageRadioGroup, juce::sendNotification);
        button->setTooltip (page.helpText);
        button->setWantsKeyboardFocus (false);
    }

    for (const auto& choice : choices)
    {
        auto& box = *choice.box;
        auto& label = *choice.label;
        addAndMakeVisible (label);
        label.setText (choice.labelText, juce::dontSendNotification);
        label.setJustificationType (juce::Justification::centredLeft);
        label.setColour (juce::Label::textColourId, white);

        addAndMakeVisible (box);
        box.setTooltip (choice.helpText);
        box.setJustificationType (juce::Justification::centredLeft);

        for (auto id : { juce::ComboBox::backgroundColourId, juce::ComboBox::outlineColourId,
                         juce::ComboBox::buttonColourId, juce::ComboBox::arrowColourId })
            box.setColour (id, clearBlue);

        box.setColour (juce::ComboBox::textColourId, accentColour);
        box.addItemList (choice.items, 1);
        selectItem (choice, proc.getParameter (choice.parameter), juce::dontSendNotification);
        box.setTextWhenNothingSelected (choice.nothingSelectedText);
        box.setWantsKeyboardFocus (false);
        box.addListener (this);
    }

    inputPanLabel.setVisible (false);
    panningModeComboBox.setVisible (false);

    addAndMakeVisible (presetLabel);
    presetLabel.setText ("PRESET:", juce::dontSendNotification);
    presetLabel.setJustificationType (juce::Justification::centredLeft);
    presetLabel.setColour (juce::Label::textColourId, white);

    addAndMakeVisible (presetsSelect);
    presetsSelect.setButtonText (proc.getPresetName());
    presetsSelect.setLookAndFeel (sharedLookAndFeel);
    presetsSelect.addListener (this);
    presetsSelect.setColour (juce::TextButton::buttonColourId, clearGrey);
    presetsSelect.setColour (juce::TextButton::buttonOnColourId, clearGrey);
    presetsSelect.setColour (juce::TextButton::textColourOnId, accentColour);
    presetsSelect.setColour (juce::TextButton::textColourOffId, accentColour);
    presetsSelect.setTooltip ("PRESETS: allows the user to save and recall plugin settings");
    presetsSelect.setWantsKeyboardFocus (false);

    addAndMakeVisible (mixLockButton);
    mixLockButton.setButtonText ("MIX");
    mixLockButton.setLookAndFeel (sharedLookAndFeel);
    mixLockButton.addListener (this);
    mixLockButton.setColour (juce::TextButton::buttonColourId, clearGrey);
    mixLockButton.setColour (juce::TextButton::buttonOnColourId, clearGrey);
    mixLockButton.setColour (juce::TextButton::textColourOnId, accentColour);
    mixLockButton.setColour (juce::TextButton::textColourOffId, blue);
    mixLockButton.setClickingTogglesState (true);
    mixLockButton.setTooltip ("MIX lock: click to lock and unlock the mix slider \n"
                              "the slider will be a faded blue/grey when locked.");
    mixLockButton.setWantsKeyboardFocus (false);
    mixLockButton.setToggleState (proc.mixLock, juce::dontSendNotification);

    for (const auto& s : switches)
    {
        addChildComponent (*s.label);
        s.label->setText (s.labelText, juce::dontSendNotification);
        s.label->setJustificationType (juce::Justification::horizontallyCentred);
        s.label->setColour (juce::Label::textColourId, white);

        addChildComponent (*s.button);
        s.button->setButtonText (s.offText);
        s.button->setLookAndFeel (sharedLookAndFeel);
        s.button->addListener (this);
        s.button->setColour (juce::TextButton::buttonColourId, blue);
        s.button->setColour (juce::TextButton::buttonOnColourId, blue);
        s.button->setColour (juce::TextButton::textColourOnId, white);
        s.button->setColour (juce::TextButton::textColourOffId, white);
        s.button->setClickingTogglesState (true);
        s.button->setTooltip (s.helpText);
        s.button->setWantsKeyboardFocus (false);
    }

    for (auto* arrow : { &previousPreset, &nextPreset })
    {
        addAndMakeVisible (*arrow);
        arrow->addListener (this);
        arrow->setWantsKeyboardFocus (false);
    }

    previousPreset.setTooltip ("previous preset arrow: selects previous preset\nuse to scroll through all presets");
    nextPreset.setTooltip ("next preset arrow: selects next preset\nuse to scroll through all presets");
    applyArrowImages (true);

    rebuildPresetMenu();

    hintTargets = {
        { 35, &modeComboBox, &modeComboBox },
        { 36, &modeLabel, &modeComboBox },
        { 37, &mixLockButton, &mixLockButton },
        { 38, &presetLabel, &presetsSelect },
        { 39, &presetsSelect, &presetsSelect },
        { 40, &previousPreset, &previousPreset },
        { 41, &nextPreset, &nextPreset },
        { 42, &shapeEditorSelect, &shapeEditorSelect },
        { 43, &eqEditorSelect, &eqEditorSelect },
        { 44, &modEditorSelect, &modEditorSelect },
        { 45, &colorModeButton, &colorModeButton },
        { 46, &diffEditorSelect, &diffEditorSelect },
        { 47, &driveEditorSelect, &driveEditorSelect },
        { 48, &warpEditorSelect, &warpEditorSelect },
        { 49, &diffEnableButton, &diffEnableButton },
        { 50, &driveModeButton, &driveModeButton },
        { 51, &drivePrePostButton, &drivePrePostButton },
        { 52, &speedButton, &speedButton },
        { 53, &panningModeComboBox, &panningModeComboBox },
    };

    resizer = std::make_unique<juce::ResizableCornerComponent> (this, &constrainer);
    addAndMakeVisible (*resizer);
    constrainer.setSizeLimits (QuillmorPelowin::minEditorWidth, QuillmorPelowin::minEditorHeight,
                               QuillmorPelowin::maxEditorWidth, QuillmorPelowin::maxEditorHeight);
    constrainer.setFixedAspectRatio ((double) ((float) designWidth / (float) designHeight));

    // The first size differs from the zero size the editor starts with, so this lays out.
    const auto storedSize = proc.getEditorSize();
    setSizeWithinLimits (storedSize.width, storedSize.height);

    colorModeButton.setToggleState (switchIsOn (proc.getParameter (colorModeParameter)), juce::dontSendNotification);
    applyColourMode (false);

    for (const auto& s : switches)
    {
        if (s.button == &colorModeButton)
            continue;

        s.button->setToggleState (switchIsOn (proc.getParameter (s.parameter)), juce::dontSendNotification);
        setSwitchText (s, s.button->getToggleState());
    }

    proc.addChangeListener (this);
    startTimer (50);
}

QuillmorPelowinEditor::~QuillmorPelowinEditor()
{
    pelowin().removeChangeListener (this);
    resizer.reset();
}

//==============================================================================
QuillmorPelowin& QuillmorPelowinEditor::pelowin()
{
    return static_cast<QuillmorPelowin&> (processor);
}

int QuillmorPelowinEditor::scaled (int designValue) const noexcept
{
    return (int) ((float) designValue * scale);
}

juce::Rectangle<int> QuillmorPelowinEditor::scaled (int x, int y, int w, int h) const noexcept
{
    return { scaled (x), scaled (y), scaled (w), scaled (h) };
}

juce::Font QuillmorPelowinEditor::plainFont (float designFontHeight) const
{
    return juce::Font ("FuturaTf", designFontHeight * scale, juce::Font::plain);
}

void QuillmorPelowinEditor::setSizeWithinLimits (int width, int height)
{
    // A stored size comes from host state and may be anything; the window must stay usable.
    setSize (juce::jlimit (constrainer.getMinimumWidth(), constrainer.getMaximumWidth(), width),
             juce::jlimit (constrainer.getMinimumHeight(), constrainer.getMaximumHeight(), height));
}

//==============================================================================
void QuillmorPelowinEditor::layoutControls()
{
    for (int k = 1; k < numKnobs; ++k)
        knobLabels[k - 1]->setFont (plainFont (k < numMainKnobs ? 17.0f : 16.0f));

    knobs[0]->setBounds (scaled (10, 90, 60, 180));

    for (int k = 1; k <= 3; ++k)
    {
        knobLabels[k - 1]->setBounds (scaled (60 * k + 10, 65, 60, 20));
        knobs[k]->setBounds (scaled (60 * k + 10, 90, 60, 180));
    }

    knobLabels[3]->setBounds (scaled (245, 65, 70, 20));
    knobs[4]->setBounds (scaled (250, 90, 60, 180));

    for (const auto* button : { &shapeEditorSelect, &diffEditorSelect, &eqEditorSelect,
                                &modEditorSelect, &driveEditorSelect, &warpEditorSelect })
    {
        const auto& page = *findPage (button);

        for (int k = page.firstKnob; k <= page.lastKnob; ++k)
        {
            const int slot = page.firstSlot + k - page.firstKnob;
            knobs[k]->setBounds (scaled (60 * slot + 40, 145, 50, 85));
            knobLabels[k - 1]->setBounds (scaled (60 * slot + 35, 120, 60, 20));
        }
    }

    for (int k = 0; k < numKnobs; ++k)
    {
        const int boxWidth = k < numMainKnobs ? 60 : 50;
        knobs[k]->setTextBoxStyle (juce::Slider::TextBoxBelow, false, scaled (boxWidth), scaled (20));
    }

    int pageX = 325;   // MOD, TAPS, DIFF, EQ, DRIVE, WARP from left to right, 54 apart

    for (auto* button : { &modEditorSelect, &shapeEditorSelect, &diffEditorSelect,
                          &eqEditorSelect, &driveEditorSelect, &warpEditorSelect })
    {
        button->setBounds (scaled (pageX, 65, 49, 20));
        pageX += 54;
    }

    previousPreset.setBounds (scaled (610, 278, 14, 14));
    nextPreset.setBounds (scaled (630, 278, 14, 14));

    modeLabel.setFont (plainFont (17.0f));
    modeLabel.setBounds (scaled (15, 275, 60, 20));
    modeComboBox.setBounds (scaled (75, 273, 120, 24));
    syncLabel.setFont (plainFont (17.0f));
    syncLabel.setBounds (scaled (195, 275, 55, 20));
    delaySyncComboBox.setBounds (scaled (250, 273, 60, 24));
    presetLabel.setFont (plainFont (17.0f));
    presetLabel.setBounds (scaled (325, 275, 70, 20));

    for (const auto& s : switches)
    {
        const int x = s.button == &drivePrePostButton ? 580 : 340;
        s.label->setFont (plainFont (16.0f));
        s.label->setBounds (scaled (x, 120, 50, 20));
        s.button->setBounds (scaled (x, 155, 50, 20));
    }

    inputPanLabel.setFont (plainFont (16.0f));
    inputPanLabel.setBounds (scaled (520, 120, 70, 20));
    panningModeComboBox.setBounds (scaled (520, 155, 120, 24));

    presetsSelect.setBounds (scaled (395, 275, 200, 20));
    mixLockButton.setBounds (scaled (10, 65, 60, 20));
}

void QuillmorPelowinEditor::resized()
{
    const int width = getWidth();

    if (resizer != nullptr)
        resizer->setBounds (width - 16, getHeight() - 16, 16, 16);

    // Compared with the width last laid out, not the stored one: a size coming from
    // the processor (a host restore while open) equals the stored width and still
    // needs the new scale.
    if (width == laidOutWidth)
        return;

    auto& proc = pelowin();
    proc.setEditorSize ({ width, getHeight() });
    scale = (float) width / (float) designWidth;
    laidOutWidth = width;
    layoutControls();
}

//==============================================================================
void QuillmorPelowinEditor::updateHintText()
{
    hintText = defaultHintText;
    hoveredControl = noHoveredControl;

    // Asked of the component JUCE last delivered the mouse to, which may be a part of a
    // control (a combo box's text) that never tells its parent. Unlike isMouseOver()
    // this needs no live pointer position, so a drag keeps the hint of its control.
    for (int i = 0; i < numKnobs; ++i)
    {
        if (knobs[i]->isMouseOverOrDragging (false))
        {
            hintText = knobs[i]->getTooltip();
            hoveredControl = i;
        }
    }

    if (delaySyncComboBox.isMouseOverOrDragging (true))
    {
        hintText = delaySyncComboBox.getTooltip();
        hoveredControl = 34;
    }

    for (const auto& target : hintTargets)
    {
        if (target.control->isMouseOverOrDragging (true))
        {
            hintText = target.helpFrom->getTooltip();
            hoveredControl = target.code;
            break;
        }
    }

    hintChanged = hoveredControl != lastHoveredControl;
    lastHoveredControl = hoveredControl;
}

void QuillmorPelowinEditor::paint (juce::Graphics& g)
{
    g.fillAll (backgroundColour);

    g.setColour (panelColour);
    g.fillRoundedRectangle (325.0f * scale, 95.0f * scale, 320.0f * scale, 170.0f * scale, 20.5f * scale);

    struct LogoRun { const char* text; bool accent; int x, width; };
    static const LogoRun logo[] = { { "Q", false, 21, 30 }, { "uillmor", false, 43, 115 },
                                    { "Pelo", true, 155, 82 }, { "win", false, 237, 78 } };

    // The runs' places were made for a wider typeface. Each run is widened (or narrowed)
    // to end where the next begins, never past its own box, so the name reads as one
    // word; the last run, which ends nothing, takes the factor of the run before it,
    // the other half of its word.
    float widthFactor = 1.0f;

    for (size_t i = 0; i < std::size (logo); ++i)
    {
        const auto& run = logo[i];
        const auto box = scaled (run.x, 10, run.width, 55);
        const auto font = plainFont (44.0f);
        const float naturalWidth = font.getStringWidthFloat (run.text);

        if (i + 1 < std::size (logo) && naturalWidth > 0.0f)
            widthFactor = (float) juce::jmin (scaled (logo[i + 1].x) - box.getX(), box.getWidth()) / naturalWidth;

        g.setFont (font.withHorizontalScale (widthFactor));
        g.setColour (run.accent ? accentColour : white);
        g.drawText (run.text, box, juce::Justification::left, true);
    }

    g.setColour (white);
    g.setFont (plainFont (17.0f));
    g.drawFittedText (hintText, hintBox(), juce::Justification::bottomLeft, 3, 1.0f);

    g.setFont (plainFont (15.0f));
    g.drawFittedText (versionText, scaled (440, 10, 200, 40), juce::Justification::bottomRight, 3, 1.0f);
}


//==============================================================================
juce::Rectangle<int> QuillmorPelowinEditor::hintBox() const noexcept
{
    return scaled (20, 230, 630, 120);
}

void QuillmorPelowinEditor::timerCallback()
{
    // The mouse may enter and leave parts of controls (labels, a combo box's text) that
    // never repaint the editor, so the line is kept current here rather than in paint().
    const auto shownText = hintText;
    updateHintText();

    if (messageTicksLeft > 0 && (hintChanged || --messageTicksLeft == 0))
        messageTicksLeft = 0;

    if (messageTicksLeft > 0)
        hintText = messageText;

    if (hintText != shownText)
        repaint (hintBox());
}

void QuillmorPelowinEditor::showMessage (const juce::String& text)
{
    messageText = text;
    messageTicksLeft = messageTicks;
    hintText = text;
    repaint (hintBox());
}

void QuillmorPelowinEditor::changeListenerCallback (juce::ChangeBroadcaster*)
{
    updateControlsFromProcessor();
}

void QuillmorPelowinEditor::updateControlsFromProcessor()
{
    auto& proc = pelowin();
    std::array<float, numParameters> values;

    {
        const juce::ScopedLock lock (proc.getCallbackLock());

        for (int i = 0; i < numParameters; ++i)
            values[(size_t) i] = proc.getParameter (i);
    }

    for (int i = 0; i < numKnobs; ++i)
        knobs[i]->setProportionalValue (false, values[(size_t) i]);

    // With notification: a box that cannot show the value writes its own item back.
    for (const auto& choice : choices)
        selectItem (choice, values[(size_t) choice.parameter], juce::sendNotification);

    for (const auto& s : switches)
    {
        const float value = values[(size_t) s.parameter];
        s.button->setToggleState (switchIsOn (value), juce::dontSendNotification);

        if (s.button != &colorModeButton)
            setSwitchText (s, value >= 0.5f);
    }

    // A restore, paste or load from the host side may bring another name.
    presetsSelect.setButtonText (proc.getPresetName());
    applyColourMode (false);
    const auto storedSize = proc.getEditorSize();
    setSizeWithinLimits (storedSize.width, storedSize.height);
}

void QuillmorPelowinEditor::selectItem (const Choice& choice, float normalisedValue, juce::NotificationType notification)
{
    choice.box->setSelectedId (itemIdFor (normalisedValue, choice.steps, choice.truncates), notification);
}

void QuillmorPelowinEditor::setSwitchText (const Switch& s, bool on)
{
    s.button->setButtonText (on ? s.onText : s.offText);
}

void QuillmorPelowinEditor::writeParameter (int index, float value)
{
    auto& proc = pelowin();
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
    proc.beginParameterChangeGesture (index);
    proc.setParameterNotifyingHost (index, value);
    proc.endParameterChangeGesture (index);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

//==============================================================================
namespace
{
/** The parameter a knob controls, read back from its name ("0" to "26"); -1 for anything else. */
int knobIndex (const juce::Slider* slider)
{
    const auto name = slider->getName();
    const int index = name.getIntValue();
    return name == juce::String (index) && juce::isPositiveAndBelow (index, QuillmorPelowinEditor::numKnobs) ? index : -1;
}
} // namespace

void QuillmorPelowinEditor::sliderValueChanged (juce::Slider* slider)
{
    const int index = knobIndex (slider);

    if (index < 0)
        return;

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
    pelowin().setParameterNotifyingHost (index, (float) knobs[index]->getProportionalValue());
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

void QuillmorPelowinEditor::sliderDragStarted (juce::Slider* slider)
{
    const int index = knobIndex (slider);

    if (index < 0)
        return;

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
    pelowin().beginParameterChangeGesture (index);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

void QuillmorPelowinEditor::sliderDragEnded (juce::Slider* slider)
{
    const int index = knobIndex (slider);

    if (index < 0)
        return;

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
    pelowin().endParameterChangeGesture (index);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

void QuillmorPelowinEditor::comboBoxChanged (juce::ComboBox* box)
{
    if (const auto* choice = findChoice (box))
        writeParameter (choice->parameter, (float) box->getSelectedId() / choice->steps);
}

//==============================================================================
const QuillmorPelowinEditor::Switch* QuillmorPelowinEditor::findSwitch (const juce::Button* button) const
{
    for (const auto& s : switches)
        if (s.button == button)
            return &s;

    return nullptr;
}

const QuillmorPelowinEditor::Choice* QuillmorPelowinEditor::findChoice (const juce::ComboBox* box) const
{
    for (const auto& choice : choices)
        if (choice.box == box)
            return &choice;

    return nullptr;
}

const QuillmorPelowinEditor::Page* QuillmorPelowinEditor::findPage (const juce::Button* button) const
{
    for (const auto& page : pages)
        if (page.button == button)
            return &page;

    return nullptr;
}

void QuillmorPelowinEditor::buttonClicked (juce::Button* button)
{
    if (button == &presetsSelect)
    {
        presetMenu.showMenuAsync (juce::PopupMenu::Options().withTargetComponent (&presetsSelect),
                                  juce::ModalCallbackFunction::forComponent (presetMenuCallback, this));
    }
    else if (const auto* page = findPage (button))
    {
        showPage (*page);
    }
    else if (button == &mixLockButton)
    {
        const bool locked = mixLockButton.getToggleState();
        pelowin().mixLock = locked;
        const auto colour = white.withAlpha (locked ? 0.5f : 1.0f);
        knobs[0]->setColour (juce::Slider::trackColourId, colour);
        knobs[0]->setColour (juce::Slider::thumbColourId, colour);
        knobs[0]->setTooltip (locked ? mixLockedHelp : mixUnlockedHelp);
    }
    else if (button == &colorModeButton)
    {
        applyColourMode (true);
    }
    else if (const auto* s = findSwitch (button))
    {
        const bool on = button->getToggleState();
        setSwitchText (*s, on);
        writeParameter (s->parameter, on ? 1.0f : 0.0f);
    }
    else if (button == &previousPreset)
    {
        stepPreset (-1);
    }
    else if (button == &nextPreset)
    {
        stepPreset (1);
    }
}

void QuillmorPelowinEditor::showPage (const Page& shown)
{
    if (shown.button == &warpEditorSelect)
        selectItem (choices[2], pelowin().getParameter (inputPanParameter), juce::dontSendNotification);

    for (const auto& page : pages)
    {
        const bool visible = &page == &shown;

        for (int k = page.firstKnob; k <= page.lastKnob; ++k)
        {
            knobs[k]->setVisible (visible);
            knobLabels[k - 1]->setVisible (visible);
        }

        for (auto* control : page.otherControls)
            control->setVisible (visible);
    }
}

void QuillmorPelowinEditor::stepPreset (int direction)
{
    const int count = presetFilePaths.size();
    currentPresetIndex += direction;

    if (currentPresetIndex < 0)
        currentPresetIndex = count - 1;
    else if (currentPresetIndex > count - 1)
        currentPresetIndex = 0;

    // Out of the list (no presets at all) this is an empty file, which loads nothing.
    auto& proc = pelowin();
    proc.loadPresetFile (presetFilePaths[currentPresetIndex]);
    presetsSelect.setButtonText (proc.getPresetName());
    presetsSelect.repaint();
}

//==============================================================================
void QuillmorPelowinEditor::applyColourMode (bool writeParameterToo)
{
    const bool dark = colorModeButton.getToggleState();
    backgroundColour = juce::Colour (dark ? 0xff494949 : 0xff5086b6);
    accentColour = juce::Colour (dark ? 0xff5086b6 : 0xff1c1c1c);
    setSwitchText (*findSwitch (&colorModeButton), dark);

    if (writeParameterToo)
        writeParameter (colorModeParameter, dark ? 1.0f : 0.0f);

    for (int k = 0; k < numMainKnobs; ++k)
    {
        knobs[k]->setColour (juce::Slider::backgroundColourId, juce::Colour (0x00ff9320));
        knobs[k]->setColour (juce::Slider::textBoxBackgroundColourId, backgroundColour);
        knobs[k]->setColour (juce::Slider::textBoxHighlightColourId, backgroundColour);
    }

    applyArrowImages (dark);

    modeComboBox.setColour (juce::ComboBox::textColourId, accentColour);
    delaySyncComboBox.setColour (juce::ComboBox::textColourId, accentColour);
    presetsSelect.setColour (juce::TextButton::textColourOnId, accentColour);
    presetsSelect.setColour (juce::TextButton::textColourOffId, accentColour);

    for (const auto& page : pages)
        page.button->setColour (juce::TextButton::buttonOnColourId, accentColour);

    mixLockButton.setColour (juce::TextButton::textColourOnId, accentColour);
    mixLockButton.setColour (juce::TextButton::textColourOffId, accentColour);
    repaint();
}

void QuillmorPelowinEditor::applyArrowImages (bool darkScheme)
{
    const juce::Colour noOverlay;

    for (auto* arrow : { &previousPreset, &nextPreset })
    {
        const auto image = arrowImage (arrow == &previousPreset, darkScheme);
        arrow->setImages (false, true, true,
                          image, 1.0f, noOverlay,
                          image, 0.5f, noOverlay,
                          image, 1.0f, noOverlay,
                          0.0f);
    }
}

//==============================================================================
void QuillmorPelowinEditor::rebuildPresetMenu()
{
    presetMenu.clear();
    presetFilePaths.clear();

    // Ids count the item texts added so far, so every preset's id is its list position + 4.
    juce::StringArray items;

    for (const char* command : { "Copy to clipboard", "Paste from clipboard", "Save as..." })
    {
        items.add (command);
        presetMenu.addItem (items.size(), command, true, false);
    }

    presetMenu.addSeparator();
    presetMenu.addSectionHeader ("USER PRESETS:");
    addPresetFolder (userPresetFolder, items);
    presetMenu.addSeparator();
    presetMenu.addSectionHeader ("QUILLMOR PRESETS:");
    addPresetFolder (factoryPresetFolder, items);
}

void QuillmorPelowinEditor::addPresetFolder (const juce::File& folder, juce::StringArray& items)
{
    const auto addPreset = [this, &items] (juce::PopupMenu& menu, const juce::File& file)
    {
        const auto name = file.getFileNameWithoutExtension();
        items.add (name);
        presetFilePaths.add (file);
        menu.addItem (items.size(), name, true, false);
    };

    if (! folder.isDirectory())
        return;

    for (const auto& entry : QuillmorPelowin::listPresetFolder (folder))
    {
        if (entry.isDirectory())
        {
            juce::PopupMenu subMenu;

            for (const auto& file : QuillmorPelowin::listPresetFolder (entry))
                if (file.hasFileExtension (presetExtension) && QuillmorPelowin::isRegularFile (file))
                    addPreset (subMenu, file);

            presetMenu.addSubMenu (entry.getFileName(), subMenu, true);
        }
        else if (entry.hasFileExtension (presetExtension) && QuillmorPelowin::isRegularFile (entry))
        {
            addPreset (presetMenu, entry);
        }
    }
}

void QuillmorPelowinEditor::showPrompt (std::unique_ptr<juce::AlertWindow> window,
                                        std::function<void (juce::AlertWindow&, int button)> answer)
{
    // The editor owns its prompt: it closes with its answer or goes with the editor,
    // whichever comes first, so a host closing the window takes it along. Its answer,
    // which comes later, reaches only the editor that showed it, and only once.
    prompt = std::move (window);
    prompt->enterModalState (true, juce::ModalCallbackFunction::create (
        [safeThis = juce::Component::SafePointer<QuillmorPelowinEditor> (this), shown = prompt.get(), answer] (int button)
        {
            if (safeThis == nullptr || safeThis->prompt.get() != shown)
                return;

            const auto closed = std::move (safeThis->prompt);
            answer (*closed, button);
        }));
}

void QuillmorPelowinEditor::presetMenuCallback (int result, QuillmorPelowinEditor* editor)
{
    if (result != 0 && editor != nullptr)
        editor->presetMenuItemChosen (result);
}

void QuillmorPelowinEditor::presetMenuItemChosen (int result)
{
    auto& proc = pelowin();

    if (result == 1)
    {
        proc.getStateAsXmlText (clipboardText);
        juce::SystemClipboard::copyTextToClipboard (clipboardText);
    }
    else if (result == 2)
    {
        clipboardText = juce::SystemClipboard::getTextFromClipboard();
        proc.setStateFromXmlText (clipboardText);
        presetsSelect.setButtonText (proc.getPresetName());
    }
    else if (result == 3 && ! useNativeFileChooser)
    {
        askPresetName ([safeThis = juce::Component::SafePointer<QuillmorPelowinEditor> (this)] (const juce::String& name)
                       {
                           if (safeThis != nullptr)
                               safeThis->saveUnderTypedName (name);
                       });
    }
    else if (result == 3)
    {
        // A dialog still open goes first, putting the folder back; then the folder is taken
        // before JUCE makes the new dialog, which moves it.
        saveChooser.reset();
        auto workingFolder = std::make_shared<WorkingFolderKeeper>();
        saveChooser = std::make_unique<juce::FileChooser> ("Save preset as...", userPresetFolder, "*.qpreset", true);
        saveChooser->launchAsync (juce::FileBrowserComponent::saveMode | juce::FileBrowserComponent::canSelectFiles
                                      | juce::FileBrowserComponent::warnAboutOverwriting,
                                  [safeThis = juce::Component::SafePointer<QuillmorPelowinEditor> (this),
                                   workingFolder] (const juce::FileChooser& chooser)
                                  {
                                      workingFolder->restore();

                                      if (safeThis != nullptr)
                                          safeThis->saveToChosenFile (chooser.getResult());
                                  });
    }
    else if (result >= firstPresetMenuId)
    {
        currentPresetIndex = result - firstPresetMenuId;
        proc.loadPresetFile (presetFilePaths[currentPresetIndex]);
        presetsSelect.setButtonText (proc.getPresetName());
        presetsSelect.repaint();
    }
}

namespace
{
/** A name cut to the length a preset file name allows. */
juce::String cutToPresetNameLength (const juce::String& name)
{
    return name.length() > maxPresetNameLength ? name.substring (0, maxPresetNameLength - 1) : name;
}

/** The file of that name in the folder. Not getChildFile: it takes a name that starts
    with '~' for a home folder, or for a path in the working folder where no user has
    that name. */
juce::File fileInFolder (const juce::File& folder, const juce::String& name)
{
    return juce::File (juce::File::addTrailingSeparator (folder.getFullPathName()) + name);
}
} // namespace

juce::String QuillmorPelowinEditor::presetNameForFile (const juce::File& chosenFile)
{
    return cutToPresetNameLength (chosenFile.getFileNameWithoutExtension());
}

juce::File QuillmorPelowinEditor::presetFileForChoice (const juce::File& chosenFile)
{
    return fileInFolder (chosenFile.getParentDirectory(), presetNameForFile (chosenFile) + presetExtension);
}

void QuillmorPelowinEditor::saveUnderTypedName (const juce::String& typedName)
{
    const auto name = cutToPresetNameLength (typedName.endsWithIgnoreCase (presetExtension)
                                                 ? typedName.dropLastCharacters (presetExtension.length())
                                                 : typedName);

    // Nothing is written outside the user preset folder, no folder is ever made, and no
    // file is hidden from the menu (a name starting with '.').
    if (name.trim().isEmpty() || name.startsWithChar ('.') || name.containsChar ('/'))
        showMessage ("Not a preset name: \"" + typedName + "\"");
    else if (userPresetFolder == juce::File())
        showMessage ("Could not save the preset: there is no user preset folder");
    else
        savePreset (fileInFolder (userPresetFolder, name + presetExtension), name, true);   // no dialog has asked
}

void QuillmorPelowinEditor::saveToChosenFile (const juce::File& chosenFile)
{
    if (chosenFile == juce::File())
        return;

    // The dialog only warned about the file it showed; a shortened name or a new
    // extension may point at another file that already exists.
    const auto target = presetFileForChoice (chosenFile);
    savePreset (target, presetNameForFile (chosenFile), target != chosenFile);
}

void QuillmorPelowinEditor::savePreset (const juce::File& target, const juce::String& name, bool askBeforeReplacing)
{
    if (askBeforeReplacing && target.exists())
    {
        confirmReplace (target, [safeThis = juce::Component::SafePointer<QuillmorPelowinEditor> (this), target, name] (bool replace)
                        {
                            if (replace && safeThis != nullptr)
                                safeThis->savePreset (target, name, false);
                        });
        return;
    }

    auto& proc = pelowin();
    const auto previousName = proc.getPresetName();

    // The name goes into the file, so it is set before writing and taken back on failure.
    proc.setPresetName (name);

    if (! proc.savePresetFile (target))
    {
        proc.setPresetName (previousName);
        showMessage ("Could not save the preset as " + target.getFullPathName());
        return;
    }

    messageTicksLeft = 0;
    presetsSelect.setButtonText (name);
    presetsSelect.repaint();
    rebuildPresetMenu();
}
