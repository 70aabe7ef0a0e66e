#include "ui/options_dialog.h"

#include "platform/platform.h"
#include "support/strings.h"

namespace gx {
namespace {

std::vector<std::string> styleItems() {
    return {uiString(str::kStyleBoldItalic), uiString(str::kStyleItalic), uiString(str::kStyleBold),
            uiString(str::kStyleNormal)};
}

std::vector<std::string> gridItems(PluginKind kind) {
    if (kind == PluginKind::TrueType) return {"512", "1024", "2048", "4096"};
    return {"512", "1000", "1024", "2048", "4096"};
}

// A plain width box: 0 to 16383 font units, no unit, no decimals.
NumericRange widthRange(double value, double step) {
    NumericRange r;
    r.minimum = 0;
    r.maximum = kMaxCharWidth;
    r.value = value;
    r.step = step;
    r.unit = kRawValue;
    r.displayUnit = kUnitCount;
    return r;
}

void setUpWidthBox(NumericBox& box, uint32_t style, const std::string& label, double value,
                   double step) {
    box.setup(style);
    if (!label.empty()) box.setLabelText(label);
    box.setRange(widthRange(value, step));
    box.setDecimals(0);
}

// A width box's value as the record keeps it: truncated toward zero.
int16_t boxWidth(NumericBox& box) {
    double v = box.getValue();
    if (!(v > 0)) return 0;
    if (v > kMaxCharWidth) return int16_t(kMaxCharWidth);
    return int16_t(v);
}

constexpr uint32_t kExtendedBoxStyle =
    kNbWarningCheck | kNbStepColumn3 | kNbScaled | kNbNoUnitsMenu;

}  // namespace

std::string errorCaption(PluginKind kind) {
    return uiString(kind == PluginKind::TrueType ? str::kCaptionTrueType : str::kCaptionType1);
}

std::string questionCaption(PluginKind kind) {
    return uiString(kind == PluginKind::TrueType ? str::kDialogTitleTrueType : str::kCaptionType1);
}

void showDialogError(PluginKind kind, int messageId) {
    platform::messageBox(uiString(messageId).c_str(), errorCaption(kind).c_str(),
                         platform::kMbOk | platform::kMbIconError);
}

bool askYesNo(PluginKind, int messageId, const std::string& caption) {
    return platform::messageBox(uiString(messageId).c_str(), caption.c_str(),
                                platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes;
}

bool familyNameIsValid(PluginKind kind, const std::string& name) {
    if (name.empty()) {
        showDialogError(kind, str::kInvalidFamilyName);
        return false;
    }
    if (name.size() > kMaxFamilyNameInDialog) {
        showDialogError(kind, kind == PluginKind::TrueType ? str::kFamilyNameTooLongTrueType
                                                           : str::kFamilyNameTooLongType1);
        return false;
    }
    return true;
}

// ------------------------------------------------------------------ plain dialog

OptionsDialog::OptionsDialog(PluginKind kind, HostExportCall& call, FontExportSettings& settings,
                             DialogView& view)
    : DialogModel(kOptionsDialog, view), kind_(kind), call_(call), settings_(settings) {
    setTitle(uiString(str::kDialogTitleOptions));
    add(kOptGroup, ControlKind::Static, uiString(str::kGroupTypeface));
    add(kOptFamilyLabel, ControlKind::Static, uiString(str::kLabelFamilyName));
    add(kOptFamilyName, ControlKind::Edit);
    add(kOptSymbolFont, ControlKind::CheckBox, uiString(str::kCheckSymbolFont));
    add(kOptStyleLabel, ControlKind::Static, uiString(str::kLabelStyle));
    add(kOptStyle, ControlKind::DropDownList);
    add(kOptGridLabel, ControlKind::Static, uiString(str::kLabelGridSize));
    add(kOptGridSize, ControlKind::DropDownEdit);
    add(kOptSpaceLabel, ControlKind::Static, uiString(str::kLabelSpaceWidth));
    addNumericBox(kOptSpaceWidth);
    add(kIdOk, ControlKind::Button, uiString(str::kButtonOk));
    add(kIdCancel, ControlKind::Button, uiString(str::kButtonCancel));
    add(kIdHelp, ControlKind::Button, uiString(str::kButtonHelp));
}

void OptionsDialog::onInit() {
    atOpen_ = settings_;
    helpFile_ = hostHelpFilePath(call_);
    setUpWidthBox(*numericBox(kOptSpaceWidth), kNbNoUnitsMenu, {}, settings_.spaceWidth, 2);
    setItems(kOptStyle, styleItems());
    setSelection(kOptStyle, styleItemOf(settings_.style));
    setItems(kOptGridSize, gridItems(kind_));
    setText(kOptGridSize, std::to_string(settings_.gridSize));
    // A Type 1 font keeps the grid it was given.
    if (kind_ == PluginKind::Type1) setEnabled(kOptGridSize, false);
    setText(kOptFamilyName, settings_.familyName);
    setChecked(kOptSymbolFont, settings_.exportSymbol != 0);
    setEnabled(kOptStyle, settings_.exportSymbol == 0);
}

void OptionsDialog::onCheck(int id) {
    if (id != kOptSymbolFont) return;
    settings_.exportSymbol = checked(kOptSymbolFont) ? 1 : 0;
    setEnabled(kOptStyle, settings_.exportSymbol == 0);
}

void OptionsDialog::onClick(int id) {
    if (id == kIdOk) {
        accept();
    } else if (id == kIdCancel) {
        // Cancel leaves the record as the dialog found it, symbol flag included.
        settings_ = atOpen_;
        end(kDialogCancel);
    } else if (id == kIdHelp) {
        view().showHelp(helpFile_, helpContext());
    }
}

void OptionsDialog::accept() {
    const std::string name = text(kOptFamilyName);
    settings_.exportSymbol = checked(kOptSymbolFont) ? 1 : 0;
    long grid = settings_.gridSize;
    if (kind_ == PluginKind::TrueType) {
        if (!readWholeNumber(text(kOptGridSize), grid) || grid < kMinGridSize ||
            grid > kMaxGridSize) {
            showDialogError(kind_, str::kInvalidGridSize);
            return;
        }
    }
    if (!familyNameIsValid(kind_, name)) return;
    const int item = selection(kOptStyle);
    if (item >= 0 && item <= 3) settings_.style = uint8_t(3 - item);
    settings_.spaceWidth = boxWidth(*numericBox(kOptSpaceWidth));
    settings_.gridSize = uint16_t(grid);
    settings_.familyName = name;
    if (askYesNo(kind_, str::kSaveChangesToFont, questionCaption(kind_))) end(kDialogOk);
}

// ------------------------------------------------------------------ extended dialog

FontOptionsDialog::FontOptionsDialog(PluginKind kind, HostExportCall& call,
                                     FontExportSettings& settings, DialogSession& session,
                                     DialogView& view)
    : DialogModel(kExtendedOptionsDialog, view),
      kind_(kind),
      call_(call),
      settings_(settings),
      session_(session) {
    setTitle(uiString(str::kDialogTitleOptions));
    add(kFontOptGroup, ControlKind::Static, uiString(str::kGroupTypeface));
    add(kFontOptFamilyLabel, ControlKind::Static, uiString(str::kLabelFamilyName));
    add(kFontOptFamilyName, ControlKind::Edit);
    add(kFontOptStyleLabel, ControlKind::Static, uiString(str::kLabelStyle));
    add(kFontOptStyle, ControlKind::DropDownList);
    add(kFontOptSymbolFont, ControlKind::CheckBox, uiString(str::kCheckSymbolFont));
    add(kFontOptGridLabel, ControlKind::Static, uiString(str::kLabelGridSize));
    add(kFontOptGridSize, ControlKind::DropDownEdit);
    add(kFontOptSpaceLabel, ControlKind::Static, uiString(str::kLabelSpaceWidth));
    addNumericBox(kFontOptSpaceWidth);
    add(kFontOptCharGroup, ControlKind::Static, uiString(str::kGroupCharacter));
    add(kFontOptCharList, ControlKind::ListBox);
    add(kFontOptNumberLabel, ControlKind::Static, uiString(str::kLabelNumber));
    add(kFontOptNumber, ControlKind::Edit);
    add(kFontOptWidthLabel, ControlKind::Static, uiString(str::kLabelWidth));
    addNumericBox(kFontOptWidth, uiString(str::kBoxCharacterWidth));
    add(kFontOptDelete, ControlKind::Button, uiString(str::kButtonDeleteCharacter));
    add(kIdOk, ControlKind::Button, uiString(str::kButtonOk));
    add(kIdCancel, ControlKind::Button, uiString(str::kButtonCancel));
    add(kFontOptLoadMetrics, ControlKind::Button, uiString(str::kButtonLoadMetrics));
    add(kIdHelp, ControlKind::Button, uiString(str::kButtonHelp));
}

CharStates FontOptionsDialog::charStates() const {
    return charStatesOf(session_);
}

bool FontOptionsDialog::isLive(int code) const {
    return session_.hasGlyph(code) && !session_.deleteMark(code);
}

void FontOptionsDialog::onInit() {
    snapshot_ = session_.takeSnapshot();
    atOpen_ = settings_;
    helpFile_ = hostHelpFilePath(call_);
    setUpWidthBox(*numericBox(kFontOptSpaceWidth), kExtendedBoxStyle, text(kFontOptSpaceLabel),
                  settings_.spaceWidth, 0);
    setUpWidthBox(*numericBox(kFontOptWidth), kExtendedBoxStyle, text(kFontOptWidthLabel), 0, 0);
    setItems(kFontOptStyle, styleItems());
    setSelection(kFontOptStyle, styleItemOf(settings_.style));
    if (kind_ == PluginKind::Type1) {
        setItems(kFontOptGridSize, gridItems(kind_));
        setSelection(kFontOptGridSize,
                     itemIndex(kFontOptGridSize, std::to_string(settings_.gridSize)));
    }
    setText(kFontOptGridSize, std::to_string(settings_.gridSize));
    setText(kFontOptFamilyName, settings_.familyName);
    setChecked(kFontOptSymbolFont, settings_.exportSymbol != 0);
    setItems(kFontOptCharList, charListItems());
    current_ = settings_.charNumber < kFirstListedCode  ? kFirstListedCode
               : settings_.charNumber > kLastListedCode ? kLastListedCode
                                                        : settings_.charNumber;
    setText(kFontOptNumber, std::to_string(current_));
    showCurrentCode();
    // Style, grid and symbol flag of an existing font stay as the font has them.
    setEnabled(kFontOptStyle, false);
    setEnabled(kFontOptGridSize, false);
    setEnabled(kFontOptSymbolFont, false);
}

// The box shows a value without the out-of-range warning: the font's own widths may
// exceed what a user can type, and showing them is not the user's entry.
void FontOptionsDialog::showBoxQuietly(int id, double value) {
    NumericBox& box = *numericBox(id);
    box.setRange(widthRange(value, 0));
    syncBox(id);
}

void FontOptionsDialog::showCurrentCode() {
    if (selection(kFontOptCharList) != itemOfCode(current_))
        setSelection(kFontOptCharList, itemOfCode(current_));
    setEnabled(kFontOptWidth, isLive(current_));
    showBoxQuietly(kFontOptWidth, session_.glyphWidth(current_));
}

void FontOptionsDialog::onSelect(int id) {
    if (id != kFontOptCharList) return;
    current_ = codeOfItem(selection(kFontOptCharList));
    int shown = readCodeText(text(kFontOptNumber));
    if (shown != current_) setText(kFontOptNumber, std::to_string(current_));
    showCurrentCode();
}

void FontOptionsDialog::onText(int id) {
    if (id != kFontOptNumber) return;
    int code = readCodeText(text(kFontOptNumber));
    current_ = code < kFirstListedCode  ? kFirstListedCode
               : code > kLastListedCode ? kLastListedCode
                                        : code;
    showCurrentCode();
}

void FontOptionsDialog::onNumeric(int id, int code) {
    if (code != kNbnCommitted && code != kNbnTyped) return;
    if (id == kFontOptWidth && enabled(kFontOptWidth) && isLive(current_)) {
        session_.setGlyphWidth(current_, boxWidth(*numericBox(kFontOptWidth)));
    } else if (id == kFontOptSpaceWidth) {
        settings_.spaceWidth = boxWidth(*numericBox(kFontOptSpaceWidth));
    }
}

void FontOptionsDialog::onClick(int id) {
    switch (id) {
        case kFontOptDelete:
            deleteCharacter();
            break;
        case kFontOptLoadMetrics:
            loadMetrics();
            break;
        case kIdOk:
            accept();
            break;
        case kIdCancel:
            cancel();
            break;
        case kIdHelp:
            view().showHelp(helpFile_, helpContext());
            break;
        default:
            break;
    }
}

void FontOptionsDialog::deleteCharacter() {
    if (!session_.hasGlyph(current_)) return;
    session_.setDeleteMark(current_);
    session_.setGlyphWidth(current_, settings_.spaceWidth);
    setEnabled(kFontOptWidth, false);
    showBoxQuietly(kFontOptWidth, kind_ == PluginKind::TrueType ? settings_.gridSize : 0);
    touch();  // the list draws the code grey now
}

void FontOptionsDialog::loadMetrics() {
    OpenFileRequest request;
    request.filter = uiString(str::kMetricsFileFilter);
    request.defaultExtension = uiString(str::kMetricsFileExtension);
    request.initialName = request.defaultExtension;
    std::string path;
    if (!view().chooseOpenFile(request, path)) return;
    MetricsLoad loaded = session_.loadFontMetrics(path, settings_.gridSize);
    if (loaded.status == MetricsLoad::NotChosen) return;
    if (loaded.status != MetricsLoad::Loaded) {
        // The Type 1 reader reports its own failures.
        if (kind_ == PluginKind::TrueType) showDialogError(kind_, str::kUnsupportedMetricFile);
        return;
    }
    for (int id : {kFontOptStyle, kFontOptGridSize, kFontOptCharList, kFontOptNumber,
                   kFontOptSymbolFont, kFontOptDelete, kFontOptSpaceWidth, kFontOptWidth})
        setEnabled(id, false);
    if (loaded.characterMetrics) {
        settings_.spaceWidth = loaded.spaceWidth;
        showBoxQuietly(kFontOptSpaceWidth, loaded.spaceWidth);
    }
}

void FontOptionsDialog::accept() {
    const std::string name = text(kFontOptFamilyName);
    settings_.exportSymbol = checked(kFontOptSymbolFont) ? 1 : 0;
    if (!familyNameIsValid(kind_, name)) return;
    settings_.spaceWidth = boxWidth(*numericBox(kFontOptSpaceWidth));
    settings_.familyName = name;
    if (askYesNo(kind_, str::kSaveChangesToFont, questionCaption(kind_))) end(kDialogOk);
}

void FontOptionsDialog::cancel() {
    // The snapshot covers the whole font state, imported metrics included, so a
    // cancelled import leaves nothing behind.
    if (snapshot_) session_.restoreSnapshot(*snapshot_);
    settings_ = atOpen_;
    end(kDialogCancel);
}

}  // namespace gx
