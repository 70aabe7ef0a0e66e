// The numeric box: one length or count with a range, shown in a display unit, typed,
// stepped with its arrow buttons, the arrow keys or by dragging, and checked when a
// value is committed. This is the control's whole behaviour as a model that never
// touches a window: the Win32 window class "VLX60_Numbox" owns one, forwards its
// messages to it and mirrors its state, and the scripted user of the POSIX build
// drives it directly.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/units.h"

namespace gx {

inline constexpr char kNumericBoxClassName[] = "VLX60_Numbox";

// Style bits.
enum : uint32_t {
    kNbNoFullValueEdit = 0x0001,
    kNbAbbreviatedUnit = 0x0002,
    kNbNoArrowKeys = 0x0004,
    kNbNoHorizontalScroll = 0x0008,
    kNbNoUnitsMenu = 0x0010,
    kNbFactorIsResolution = 0x0020,
    kNbScaled = 0x0040,
    kNbStepColumn2 = 0x0100,
    kNbStepColumn3 = 0x0200,
    kNbDefaultCheck = 0x0400,
    kNbWarningCheck = 0x0800,
    kNbStrictCheck = 0x1000,
    kNbGridUnitEntry = 0x2000,
    kNbNoContextMenu = 0x4000,
};

// Notification codes sent to the parent (high word of its command message).
enum : int {
    kNbnCommitted = 15,
    kNbnStepped = 16,
    kNbnSpinEnded = 17,
    kNbnUnitChanged = 18,
    kNbnTyped = 19,
    kNbnFocusLost = 20,
};

// "No unit": a value in internal units, or the plain number of a plain box.
inline constexpr int kRawValue = -1;

// Context-menu command ids; unit entries use their unit code.
enum : int {
    kNbMenuGridUnit = 50,
    kNbMenuEditFullValue = 100,
    kNbMenuSettings = 101,
    kNbMenuWhatsThis = 102,
};

// Timer ids the box asks its window for.
enum : int { kNbFirstTimer = 1, kNbRepeatTimer = 2 };
inline constexpr unsigned kNbFirstDelayMs = 500;
inline constexpr unsigned kNbRepeatMs = 100;
inline constexpr unsigned kNbFastAfterMs = 3000;

// The command id that stands for the parent dialog's default button.
inline constexpr int kNbDefaultCommand = 0;
inline constexpr int kNbCancelCommand = 2;

// Dragging on the middle strip, switched for the whole library.
enum class DragMode { Position, Speed };
void setNumericBoxDragMode(DragMode mode);
DragMode numericBoxDragMode();

enum class SpinPart { None, Up, Middle, Down };

// The spin strip at the right of the box, in client pixels; bottoms are exclusive.
struct SpinLayout {
    int left = 0, right = 0;
    int upTop = 0, upBottom = 0;  // the middle strip runs from upBottom to downTop
    int downTop = 0, downBottom = 0;
    SpinPart hitTest(int x, int y) const;
};
SpinLayout spinLayout(int width, int height, int scrollBarWidth);

struct NumericBoxMenuItem {
    int id = 0;  // 0 for a separator or a submenu
    std::string text;
    bool checked = false;
    std::vector<NumericBoxMenuItem> submenu;
    bool separator() const { return text.empty() && submenu.empty(); }
};

// Range, value and step, each in `unit` (kRawValue: internal units).
struct NumericRange {
    double minimum = 0.0;
    double maximum = 0.0;
    double value = 0.0;
    double step = 0.0;  // 0: the display unit's default step
    int unit = kRawValue;
    std::vector<int> units;  // offered display units; empty: plain counts only
    int displayUnit = kUnitInches;
    // The scale factor with kNbScaled, else the pixel resolution with
    // kNbFactorIsResolution; otherwise unused.
    double factor = 1.0;
};

// The display unit's step when the box's step is 0, by column (0, 1, 2).
double defaultStep(int unit, int column);

class NumericBox {
  public:
    // What the box needs from its window and parent; every member may be empty.
    struct Host {
        std::function<void(int code)> notify;
        std::function<void()> beep;
        std::function<void(int id, unsigned ms)> setTimer;  // replaces a timer of that id
        std::function<void(int id)> killTimer;
        std::function<void(int id)> parentCommand;  // kNbDefaultCommand, kNbCancelCommand
        std::function<void()> redraw;
        std::function<void()> selectAll;  // select the edit field's whole text
        std::function<void()> helpRequest;
        std::function<void()> openSettings;
        std::function<void()> openFullValueEditor;  // shows text() in a larger editor
    };
    // Decides validity instead of the range; may change the value (internal units).
    using Validator =
        std::function<bool(NumericBox& box, double& value, int displayUnit, double factor)>;

    NumericBox() = default;
    explicit NumericBox(Host host) : host_(std::move(host)) {}
    void setHost(Host host) { host_ = std::move(host); }
    const Host& host() const { return host_; }

    // ---- set-up, as the parent dialog calls it
    void setup(uint32_t style, Validator validator = {});
    // Control ids of the parent dialog's label, second (unit) label and unit combo,
    // 0 for none; the window mirrors the box's state into them.
    void setLinks(int label, int secondLabel, int combo) {
        labelId_ = label;
        secondLabelId_ = secondLabel;
        comboId_ = combo;
    }
    // The text naming the box in a warning caption: its label's, or the box's own.
    void setLabelText(const std::string& text) { label_ = text; }
    void setRange(const NumericRange& range);
    void setDecimals(int n);
    bool setValue(double value, int unit = kRawValue);
    double getValue(int unit = kRawValue);
    bool setDisplayUnit(int unit);
    void setGridUnit(int unit);
    void setEnabled(bool enabled);
    void setMaxTextLength(size_t n) { maxTextLength_ = n; }
    void setClientSize(int width, int height, int scrollBarWidth);

    // ---- the user
    void lButtonDown(int x, int y);
    void mouseMove(int x, int y);
    void lButtonUp(int x, int y);
    // Up (+1) or down (-1) arrow key; false when the box leaves the key alone.
    bool arrowKeyDown(int direction, bool keyboardRepeat);
    void arrowKeyUp();
    void timer(int id);
    // A character typed into the edit field, with the text it would give. False when it
    // is refused: the view restores the previous text and caret.
    bool typeChar(char ch, const std::string& textAfter);
    // Insert or Delete changed the text.
    void editKey(const std::string& textAfter);
    // Replaces the whole text as if typed character by character; false at the first
    // refused character.
    bool typeText(const std::string& text);
    void pressEnter();
    void pressEscape();
    void focusGained();
    void focusLost();
    // The commit of leaving the field: a changed, non-empty text becomes the value.
    void commit();
    std::vector<NumericBoxMenuItem> contextMenu() const;
    void menuCommand(int id);
    // Enter in the full-value editor; false (nothing changed) for text that is no value.
    bool commitFullValue(const std::string& text);

    // ---- state, for the view and for tests
    uint32_t style() const { return style_; }
    int labelId() const { return labelId_; }
    int secondLabelId() const { return secondLabelId_; }
    int comboId() const { return comboId_; }
    // The linked combo's selection: the display unit's entry in units(), or -1.
    int comboSelection() const;
    const std::string& text() const { return text_; }
    bool modified() const { return modified_; }
    double value() const { return value_; }  // internal units
    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    double step() const { return step_; }
    int displayUnit() const { return displayUnit_; }
    int gridUnit() const { return gridUnit_; }
    bool followsGridUnit() const { return followGrid_; }
    const std::vector<int>& units() const { return units_; }
    int decimals() const { return decimals_; }
    double scaleFactor() const { return scale_; }
    double resolution() const { return resolution_; }
    size_t maxTextLength() const { return maxTextLength_; }
    bool enabled() const { return enabled_; }
    bool outOfRange() const { return outOfRange_; }
    bool isValid() const { return !outOfRange_; }
    // The second label's text: the unit's abbreviation or plural name.
    std::string unitLabelText() const;
    const SpinLayout& layout() const { return layout_; }
    int spinDirection() const { return direction_; }
    SpinPart pressedPart() const { return pressed_; }
    bool pointerOverPressed() const { return over_; }
    bool capturing() const { return spin_ != Spin::None; }
    bool dragging() const { return spin_ == Spin::Drag; }
    unsigned elapsedMs() const { return elapsed_; }
    unsigned repeatIntervalMs() const { return interval_; }

  private:
    enum class Spin { None, Button, Key, Drag };
    enum class Mode { Default, Warning, Strict };

    Mode mode() const;
    int stepColumn() const;
    double displayFromInternal(double v) const;
    double internalFromDisplay(double v) const;
    std::string displayText(double internalValue) const;
    bool parseText(const std::string& text, double& internalValue) const;
    bool check();
    void show();
    bool checkAndShow();
    void takeStep(double k);
    void startSpin(Spin kind, int direction, SpinPart part);
    void endSpin();
    void warnOutOfRange(double resetTo);
    void notify(int code) const;
    void setTimer(int id, unsigned ms) const;
    void killTimer(int id) const;
    void redraw() const;

    Host host_;
    Validator validator_;
    uint32_t style_ = kNbDefaultCheck;
    std::string label_;
    int labelId_ = 0;
    int secondLabelId_ = 0;
    int comboId_ = 0;
    double value_ = 0.0;
    double minimum_ = 0.0;
    double maximum_ = 0.0;
    double step_ = 0.0;
    int displayUnit_ = kUnitInches;
    int gridUnit_ = kUnitInches;
    bool followGrid_ = false;
    std::vector<int> units_{kUnitCount};
    int decimals_ = 0;
    double scale_ = 1.0;
    double resolution_ = kDefaultPixelResolution;
    size_t maxTextLength_ = 64;
    bool enabled_ = true;
    bool outOfRange_ = false;
    bool messageOpen_ = false;
    std::string text_;
    bool modified_ = false;
    SpinLayout layout_;
    int height_ = 1;
    // spin
    Spin spin_ = Spin::None;
    int direction_ = 0;
    SpinPart pressed_ = SpinPart::None;
    bool over_ = false;
    unsigned elapsed_ = 0;
    unsigned interval_ = 0;
    int anchorY_ = 0;
};

}  // namespace gx
