#include "support/numbox.h"

#include "support/text.h"

#include <climits>
#include <cmath>
#include <cstdlib>

#include "platform/platform.h"
#include "support/strings.h"

namespace gx {
namespace {

DragMode g_dragMode = DragMode::Position;

std::string loaded(int id) {
    const char* s = platform::loadString(id);
    return s ? s : "";
}

// The label's text as a caption: without its mnemonic "&" and its ":".
std::string captionOf(const std::string& label) {
    std::string out;
    for (char c : label)
        if (c != '&' && c != ':') out += c;
    return out;
}

bool isBlankText(const std::string& s) {
    for (char c : s)
        if (c != ' ' && c != '\t') return false;
    return true;
}

// Codes a box may show; 21 is left out because a value shown in it would read as 0.
bool displayableUnit(int unit) {
    return unit >= 0 && unit <= kLastUnitCode && unit != 21;
}

}  // namespace

void setNumericBoxDragMode(DragMode mode) {
    g_dragMode = mode;
}
DragMode numericBoxDragMode() {
    return g_dragMode;
}

SpinPart SpinLayout::hitTest(int x, int y) const {
    if (x < left || x >= right || y < upTop || y >= downBottom) return SpinPart::None;
    if (y < upBottom) return SpinPart::Up;
    if (y >= downTop) return SpinPart::Down;
    return SpinPart::Middle;
}

SpinLayout spinLayout(int width, int height, int scrollBarWidth) {
    SpinLayout l;
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (scrollBarWidth < 0) scrollBarWidth = 0;
    if (scrollBarWidth > width) scrollBarWidth = width;
    l.left = width - scrollBarWidth;
    l.right = width;
    l.upTop = 0;
    l.upBottom = height / 2 - 1;
    l.downTop = height / 2 + 1;
    if (scrollBarWidth < height) {
        --l.upBottom;
        ++l.downTop;
    }
    if (height % 2 != 0) ++l.downTop;
    if (l.upBottom < 0) l.upBottom = 0;
    if (l.downTop > height) l.downTop = height;
    l.downBottom = height;
    return l;
}

double defaultStep(int unit, int column) {
    static const double kSteps[][3] = {
        {0.01, 0.05, 0.1},    // inches
        {0.1, 0.5, 1.0},      // most lengths
        {1.0, 2.0, 5.0},      // coarse units and plain counts
        {0.08333, 0.5, 1.0},  // ciceros: one didot first
        {0.01, 0.1, 1.0},     // hundredths of an inch
        {0.001, 0.1, 1.0},    // thousandths of an inch
    };
    if (column < 0 || column > 2) column = 0;
    switch (unit) {
        case 1:
            return kSteps[0][column];
        case 2:
        case 3:
        case 4:
        case 5:
        case 7:
        case 8:
        case 9:
        case 13:
        case 16:
        case 18:
            return kSteps[1][column];
        case 6:
        case 10:
        case 11:
        case 14:
        case 15:
        case 17:
        case 22:
        case 23:
            return kSteps[2][column];
        case 12:
            return kSteps[3][column];
        case 19:
            return kSteps[4][column];
        case 20:
        case 21:
            return kSteps[5][column];
        default:
            return 1.0;
    }
}

// ------------------------------------------------------------------ set-up

void NumericBox::setup(uint32_t style, Validator validator) {
    style_ = style;
    if ((style_ & (kNbWarningCheck | kNbStrictCheck)) == 0) style_ |= kNbDefaultCheck;
    validator_ = std::move(validator);
}

void NumericBox::setRange(const NumericRange& r) {
    if (style_ & kNbScaled) {
        scale_ = std::isfinite(r.factor) && r.factor != 0.0 ? r.factor : 1.0;
    } else if (style_ & kNbFactorIsResolution) {
        resolution_ =
            std::isfinite(r.factor) && r.factor > 1e-6 ? r.factor : kDefaultPixelResolution;
    }
    auto internal = [&](double x) {
        double v = r.unit == kRawValue ? x : toInternalUnits(r.unit, resolution_, x);
        return std::isfinite(v) ? v : 0.0;
    };
    minimum_ = internal(r.minimum);
    maximum_ = internal(r.maximum);
    if (minimum_ > maximum_) std::swap(minimum_, maximum_);
    step_ = std::fabs(internal(r.step));
    units_.clear();
    for (int u : r.units)
        if (displayableUnit(u)) units_.push_back(u);
    if (displayableUnit(r.displayUnit)) displayUnit_ = r.displayUnit;
    if (units_.empty()) units_.push_back(displayUnit_ == kUnitPlain23 ? kUnitPlain23 : kUnitCount);
    value_ = internal(r.value);
    // Setting up is not the user's entry: an initial value out of range is pinned
    // without a warning.
    bool wasOpen = messageOpen_;
    messageOpen_ = true;
    check();
    messageOpen_ = wasOpen;
    show();
}

void NumericBox::setDecimals(int n) {
    decimals_ = n == 0 ? kNoDecimals : n;
    checkAndShow();
}

bool NumericBox::setValue(double value, int unit) {
    double v = unit == kRawValue ? value : toInternalUnits(unit, resolution_, value);
    if (!std::isfinite(v)) return false;
    value_ = v;
    return checkAndShow();
}

double NumericBox::getValue(int unit) {
    // Only text the user changed is read back: the shown text is rounded to the
    // decimals, and reading it would lose what stepping or set-up put there.
    double v = 0.0;
    if (mode() != Mode::Strict && modified_ && parseText(text_, v)) {
        if (v > maximum_) v = maximum_;
        if (v < minimum_) v = minimum_;
        value_ = v;
    }
    return unit == kRawValue ? value_ : fromInternalUnits(unit, resolution_, value_);
}

bool NumericBox::setDisplayUnit(int unit) {
    if (unit < 1 || unit > kUnitCount || !displayableUnit(unit)) return false;
    displayUnit_ = unit;
    checkAndShow();
    redraw();
    return true;
}

void NumericBox::setGridUnit(int unit) {
    gridUnit_ = unit;
    if (followGrid_) setDisplayUnit(unit);
}

void NumericBox::setEnabled(bool enabled) {
    if (!enabled && spin_ != Spin::None) endSpin();
    enabled_ = enabled;
    redraw();
}

void NumericBox::setClientSize(int width, int height, int scrollBarWidth) {
    layout_ = spinLayout(width, height, scrollBarWidth);
    height_ = height > 0 ? height : 1;
}

int NumericBox::comboSelection() const {
    for (size_t i = 0; i < units_.size(); ++i)
        if (units_[i] == displayUnit_) return int(i);
    return -1;
}

std::string NumericBox::unitLabelText() const {
    return unitName(displayUnit_, (style_ & kNbAbbreviatedUnit) ? UnitNameForm::Abbreviation
                                                                : UnitNameForm::Plural);
}

// ------------------------------------------------------------------ value and text

NumericBox::Mode NumericBox::mode() const {
    if (style_ & kNbWarningCheck) return Mode::Warning;
    if (style_ & kNbStrictCheck) return Mode::Strict;
    return Mode::Default;
}

int NumericBox::stepColumn() const {
    if (style_ & kNbStepColumn3) return 2;
    if (style_ & kNbStepColumn2) return 1;
    return 0;
}

double NumericBox::displayFromInternal(double v) const {
    return fromInternalUnits(displayUnit_, resolution_, v);
}

double NumericBox::internalFromDisplay(double v) const {
    return toInternalUnits(displayUnit_, resolution_, v);
}

std::string NumericBox::displayText(double internalValue) const {
    double v = internalValue;
    if (style_ & kNbScaled) v *= scale_;
    // Code 0 is a bare whole number.
    if (displayUnit_ == kUnitNone) return formatLength(v, kUnitCount, 0.0, kNoDecimals);
    return formatLength(v, displayUnit_, resolution_, decimals_);
}

bool NumericBox::parseText(const std::string& text, double& internalValue) const {
    double shown = 0.0;
    if (!parseLength(text, displayUnit_, shown)) return false;
    if (style_ & kNbScaled) shown /= scale_;
    double v = internalFromDisplay(shown);
    if (!std::isfinite(v)) return false;
    internalValue = v;
    return true;
}

bool NumericBox::check() {
    if (validator_) {
        double v = value_;
        bool valid =
            validator_(*this, v, displayUnit_, (style_ & kNbScaled) ? scale_ : resolution_);
        if (std::isfinite(v)) value_ = v;
        outOfRange_ = !valid;
        return valid;
    }
    double clamped = value_;
    if (clamped < minimum_) clamped = minimum_;
    if (clamped > maximum_) clamped = maximum_;
    outOfRange_ = clamped != value_;
    if (mode() != Mode::Strict) value_ = clamped;
    if (outOfRange_ && mode() == Mode::Warning && spin_ == Spin::None && !messageOpen_)
        warnOutOfRange(clamped);
    return !outOfRange_;
}

void NumericBox::warnOutOfRange(double resetTo) {
    std::string unit = unitLabelText();
    std::string text = fillTemplate(
        loaded(str::kNumboxRangeWarning),
        {displayText(minimum_), displayText(maximum_), unit, displayText(resetTo), unit});
    std::string caption = loaded(str::kNumboxInvalidCaption) + captionOf(label_);
    messageOpen_ = true;
    platform::messageBox(text.c_str(), caption.c_str(), platform::kMbOk | platform::kMbIconWarning);
    messageOpen_ = false;
}

void NumericBox::show() {
    text_ = displayText(value_);
    modified_ = false;
}

bool NumericBox::checkAndShow() {
    bool valid = check();
    show();
    return valid;
}

void NumericBox::takeStep(double k) {
    double base = displayFromInternal(value_);
    double typed = 0.0;
    if (modified_ && parseText(text_, typed)) base = displayFromInternal(typed);
    double s = step_ != 0.0 ? displayFromInternal(step_) : defaultStep(displayUnit_, stepColumn());
    double v = internalFromDisplay(base + k * s);
    if (std::isfinite(v)) value_ = v;
    checkAndShow();
    if (spin_ != Spin::Drag) notify(kNbnStepped);
}

// ------------------------------------------------------------------ spinning

void NumericBox::startSpin(Spin kind, int direction, SpinPart part) {
    spin_ = kind;
    direction_ = direction;
    pressed_ = part;
    over_ = true;
    elapsed_ = 0;
    interval_ = 0;
    redraw();
    takeStep(direction);
    setTimer(kNbFirstTimer, kNbFirstDelayMs);
}

void NumericBox::endSpin() {
    killTimer(kNbFirstTimer);
    killTimer(kNbRepeatTimer);
    spin_ = Spin::None;
    direction_ = 0;
    pressed_ = SpinPart::None;
    over_ = false;
    interval_ = 0;
    redraw();
    if (enabled_) notify(kNbnCommitted);
    notify(kNbnSpinEnded);
}

void NumericBox::lButtonDown(int x, int y) {
    if (!enabled_ || spin_ != Spin::None) return;
    switch (layout_.hitTest(x, y)) {
        case SpinPart::Up:
            startSpin(Spin::Button, 1, SpinPart::Up);
            break;
        case SpinPart::Down:
            startSpin(Spin::Button, -1, SpinPart::Down);
            break;
        case SpinPart::Middle:
            spin_ = Spin::Drag;
            direction_ = 0;
            pressed_ = SpinPart::Middle;
            over_ = true;
            elapsed_ = 0;
            anchorY_ = y;
            redraw();
            takeStep(0);
            if (g_dragMode == DragMode::Speed) {
                interval_ = 180;
                setTimer(kNbRepeatTimer, interval_);
            }
            break;
        case SpinPart::None:
            break;
    }
}

void NumericBox::mouseMove(int x, int y) {
    if (spin_ == Spin::Button) {
        bool over = layout_.hitTest(x, y) == pressed_;
        if (over != over_) {
            over_ = over;
            redraw();
        }
        return;
    }
    if (spin_ != Spin::Drag) return;
    if (g_dragMode == DragMode::Position) {
        long long e = (layout_.downTop - layout_.upBottom) / 2;
        if (e < 1) e = 1;
        long long units = (static_cast<long long>(anchorY_) - y) / e;
        if (units != 0) {
            anchorY_ = int(anchorY_ - units * e);
            takeStep(double(units));
        }
        return;
    }
    long long distance = std::llabs(static_cast<long long>(y) - anchorY_) / (3LL * height_);
    if (distance == 0)
        direction_ = y < 0 ? 1 : (y >= height_ ? -1 : 0);
    else
        direction_ = y < anchorY_ ? 1 : -1;
    unsigned interval = distance == 0 ? 180 : distance == 1 ? 100 : 55;
    if (interval != interval_) {
        interval_ = interval;
        setTimer(kNbRepeatTimer, interval_);
    }
}

void NumericBox::lButtonUp(int x, int y) {
    if (spin_ != Spin::Button && spin_ != Spin::Drag) return;
    if (spin_ == Spin::Drag) mouseMove(x, y);
    endSpin();
}

bool NumericBox::arrowKeyDown(int direction, bool keyboardRepeat) {
    if ((style_ & kNbNoArrowKeys) || direction == 0) return false;
    if (!enabled_ || keyboardRepeat || spin_ != Spin::None) return true;
    startSpin(Spin::Key, direction > 0 ? 1 : -1, direction > 0 ? SpinPart::Up : SpinPart::Down);
    return true;
}

void NumericBox::arrowKeyUp() {
    if (spin_ == Spin::Key) endSpin();
}

void NumericBox::timer(int id) {
    if (spin_ == Spin::None) {
        killTimer(id);
        return;
    }
    if (id == kNbFirstTimer) {
        killTimer(kNbFirstTimer);
        interval_ = kNbRepeatMs;
        setTimer(kNbRepeatTimer, kNbRepeatMs);
        return;
    }
    if (id != kNbRepeatTimer) return;
    if (spin_ == Spin::Drag) {
        if (direction_ != 0) takeStep(direction_ * (interval_ == 55 ? 5 : 1));
        return;
    }
    if (elapsed_ <= UINT_MAX - kNbRepeatMs) elapsed_ += kNbRepeatMs;
    if (spin_ == Spin::Key || over_) takeStep(direction_ * (elapsed_ < kNbFastAfterMs ? 1 : 10));
}

// ------------------------------------------------------------------ typing

bool NumericBox::typeChar(char ch, const std::string& textAfter) {
    if (!enabled_) return false;
    bool refused = (ch == '-' && minimum_ >= 0.0) || textAfter.size() > maxTextLength_ ||
                   !isPartialLength(textAfter, displayUnit_);
    modified_ = true;
    if (refused) {
        if (host_.beep) host_.beep();
        return false;
    }
    text_ = textAfter;
    notify(kNbnTyped);
    return true;
}

void NumericBox::editKey(const std::string& textAfter) {
    if (!enabled_) return;
    text_ = textAfter;
    modified_ = true;
    notify(kNbnTyped);
}

bool NumericBox::typeText(const std::string& text) {
    if (!enabled_) return false;
    text_.clear();
    modified_ = true;
    for (char c : text)
        if (!typeChar(c, text_ + c)) return false;
    return true;
}

void NumericBox::pressEnter() {
    if (!enabled_) return;
    // Untouched text is the shown, rounded value: reading it back would lose digits.
    double v = 0.0;
    if (modified_ && parseText(text_, v)) value_ = v;
    checkAndShow();
    notify(kNbnCommitted);
    if (host_.parentCommand) host_.parentCommand(kNbDefaultCommand);
}

void NumericBox::pressEscape() {
    if (host_.parentCommand) host_.parentCommand(kNbCancelCommand);
}

void NumericBox::focusGained() {
    if (host_.selectAll) host_.selectAll();
}

void NumericBox::commit() {
    if (!modified_) return;
    double v = 0.0;
    if (isBlankText(text_) || !parseText(text_, v)) {
        // Nothing to commit: show the value that stands instead of a blank field.
        show();
        return;
    }
    value_ = v;
    checkAndShow();
    notify(kNbnCommitted);
}

void NumericBox::focusLost() {
    if (spin_ != Spin::None) endSpin();
    commit();
    notify(kNbnFocusLost);
}

// ------------------------------------------------------------------ context menu

std::vector<NumericBoxMenuItem> NumericBox::contextMenu() const {
    std::vector<NumericBoxMenuItem> menu;
    if (style_ & kNbNoContextMenu) return menu;
    if (!(style_ & kNbNoFullValueEdit))
        menu.push_back({kNbMenuEditFullValue, loaded(str::kNumboxEditFullValue), false, {}});
    menu.push_back({kNbMenuSettings, loaded(str::kNumboxSettings), false, {}});
    if (!(style_ & kNbNoUnitsMenu) && displayUnit_ != kUnitCount && displayUnit_ != kUnitPlain23) {
        NumericBoxMenuItem units{0, loaded(str::kNumboxUnits), false, {}};
        if (style_ & kNbGridUnitEntry) {
            units.submenu.push_back(
                {kNbMenuGridUnit, loaded(str::kNumboxGridUnit), followGrid_, {}});
            units.submenu.push_back({});
        }
        for (int u : units_)
            units.submenu.push_back(
                {u, unitName(u, UnitNameForm::Plural), !followGrid_ && u == displayUnit_, {}});
        menu.push_back(units);
    }
    menu.push_back({});
    menu.push_back({kNbMenuWhatsThis, loaded(str::kNumboxWhatsThis), false, {}});
    return menu;
}

void NumericBox::menuCommand(int id) {
    if (!enabled_) return;
    switch (id) {
        case kNbMenuEditFullValue:
            if (!(style_ & kNbNoFullValueEdit) && host_.openFullValueEditor)
                host_.openFullValueEditor();
            return;
        case kNbMenuSettings:
            if (host_.openSettings) host_.openSettings();
            return;
        case kNbMenuWhatsThis:
            if (host_.helpRequest) host_.helpRequest();
            return;
        case kNbMenuGridUnit:
            if (!(style_ & kNbGridUnitEntry)) return;
            followGrid_ = true;
            setDisplayUnit(gridUnit_);
            break;
        default: {
            bool offered = false;
            for (int u : units_) offered = offered || u == id;
            if (!offered || !setDisplayUnit(id)) return;
            followGrid_ = false;
            break;
        }
    }
    notify(kNbnUnitChanged);
    if (host_.selectAll) host_.selectAll();
}

bool NumericBox::commitFullValue(const std::string& text) {
    double v = 0.0;
    if (!enabled_ || !parseText(text, v)) {
        if (host_.beep) host_.beep();
        return false;
    }
    value_ = v;
    checkAndShow();
    notify(kNbnCommitted);
    return true;
}

// ------------------------------------------------------------------ host

void NumericBox::notify(int code) const {
    if (host_.notify) host_.notify(code);
}
void NumericBox::setTimer(int id, unsigned ms) const {
    if (host_.setTimer) host_.setTimer(id, ms);
}
void NumericBox::killTimer(int id) const {
    if (host_.killTimer) host_.killTimer(id);
}
void NumericBox::redraw() const {
    if (host_.redraw) host_.redraw();
}

}  // namespace gx
