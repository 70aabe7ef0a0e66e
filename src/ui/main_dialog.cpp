#include "ui/main_dialog.h"

#include <cmath>

#include "support/strings.h"
#include "support/units.h"
#include "ui/options_dialog.h"

namespace gx {
namespace {

constexpr uint32_t kDesignBoxStyle = kNbStepColumn3 | kNbScaled;
constexpr uint32_t kWidthBoxStyle = kNbStepColumn3 | kNbScaled | kNbNoUnitsMenu;
constexpr int kMaxDesignSize = 16383;

// A box value as the record keeps it, truncated toward zero. Unit conversions leave
// values a hair below a whole number (720 points are 9999.999... thousandths), which
// still count as that number.
int16_t wholeValue(double v, int maximum) {
    if (!(v > 0)) return 0;
    double w = std::floor(v + 1e-6);
    return int16_t(w > maximum ? maximum : w);
}

}  // namespace

const std::vector<int>& designSizeUnits() {
    static const std::vector<int> units = {kUnitInches, kUnitMillimeters, kUnitPicas,
                                           kUnitPoints, kUnitCiceros,     kUnitDidots};
    return units;
}

std::string fontTitleLine(const FontExportSettings& s) {
    if (s.exportSymbol) return s.familyName;
    static const int names[4] = {str::kStyleNormal, str::kStyleBold, str::kStyleItalic,
                                 str::kStyleBoldItalic};
    std::string style = s.style <= 3 ? uiString(names[s.style]) : std::string();
    return s.familyName + uiString(str::kTitleSeparator) + style;
}

MainDialog::MainDialog(PluginKind kind, HostExportCall& call, FontExportSettings& settings,
                       DialogSession& session, DialogView& view, bool fontExisted)
    : DialogModel(kMainDialog, view),
      kind_(kind),
      call_(call),
      settings_(settings),
      session_(session),
      fontExisted_(fontExisted) {
    setTitle(questionCaption(kind));
    add(kMainTitleLine, ControlKind::Static);
    add(kMainPreview, ControlKind::Static);
    add(kMainCharList, ControlKind::ListBox);
    add(kMainCodeLabel, ControlKind::Static, uiString(str::kLabelCharacterNumber));
    add(kMainCode, ControlKind::Edit);
    add(kMainAuto, ControlKind::CheckBox, uiString(str::kCheckAuto));
    add(kMainWidthLabel, ControlKind::Static, uiString(str::kLabelCharacterWidth));
    addNumericBox(kMainWidth, uiString(str::kBoxCharacterWidth));
    add(kMainDesignLabel, ControlKind::Static, uiString(str::kLabelDesignSize));
    addNumericBox(kMainDesignSize, uiString(str::kBoxDesignSize));
    add(kMainDesignUnit, ControlKind::DropDownList);
    add(kMainOptions, ControlKind::Button, uiString(str::kButtonOptions));
    add(kIdOk, ControlKind::Button, uiString(str::kButtonOk));
    add(kIdCancel, ControlKind::Button, uiString(str::kButtonCancel));
    add(kIdHelp, ControlKind::Button, uiString(str::kButtonHelp));
}

CharStates MainDialog::charStates() const {
    return charStatesOf(session_);
}

void MainDialog::onInit() {
    helpFile_ = hostHelpFilePath(call_);

    NumericBox& design = *numericBox(kMainDesignSize);
    design.setup(kDesignBoxStyle);
    design.setLabelText(text(kMainDesignLabel));
    NumericRange range;
    range.minimum = 0;
    range.maximum = kMaxDesignSize;
    range.value =
        convertUnits(kUnitThousandthsOfInch, settings_.designSizeUnit, settings_.designSize);
    range.step = 1000.0 / 72.0;  // one point
    range.unit = kUnitThousandthsOfInch;
    range.units = designSizeUnits();
    range.displayUnit = kUnitPoints;
    design.setRange(range);
    design.setDecimals(1);
    std::vector<std::string> unitNames;
    for (int u : designSizeUnits()) unitNames.push_back(unitName(u, UnitNameForm::Plural));
    setItems(kMainDesignUnit, std::move(unitNames));
    setSelection(kMainDesignUnit, 3);

    NumericBox& width = *numericBox(kMainWidth);
    width.setup(kWidthBoxStyle);
    width.setLabelText(text(kMainWidthLabel));
    NumericRange w;
    w.minimum = 0;
    w.maximum = kMaxCharWidth;
    w.value = settings_.charWidth;
    w.step = 1;
    w.unit = kRawValue;
    w.displayUnit = kUnitCount;
    width.setRange(w);
    width.setDecimals(0);

    setChecked(kMainAuto, settings_.autoWidth != 0);
    setEnabled(kMainWidth, settings_.autoWidth == 0);
    if (settings_.autoWidth) setCharWidth(autoWidth(), true);

    setItems(kMainCharList, charListItems());
    setSelection(kMainCharList, itemOfCode(settings_.charNumber));
    setText(kMainCode, std::to_string(settings_.charNumber));

    marker_.painted(settings_.charWidth);
    setText(kMainTitleLine, fontTitleLine(settings_));
}

int MainDialog::autoWidth() const {
    return autoCharWidth(session_.outlinePoints(), session_.outlineCount(), session_.glyphOriginX(),
                         settings_.designSize, settings_.gridSize);
}

void MainDialog::setCharWidth(int width, bool showInBox) {
    if (width < 0) width = 0;
    if (width > kMaxCharWidth) width = kMaxCharWidth;
    settings_.charWidth = int16_t(width);
    if (showInBox) {
        numericBox(kMainWidth)->setValue(width);
        syncBox(kMainWidth);
    }
    if (geometry_.pane.right > geometry_.pane.left) {
        for (int x : marker_.moveTo(width, geometry_, settings_.gridSize)) toggles_.push_back(x);
    } else {
        marker_.painted(width);
    }
    touch();
}

void MainDialog::recomputeAutoWidth() {
    setCharWidth(autoWidth(), true);
}

void MainDialog::selectCode(int code) {
    settings_.charNumber = int16_t(code);
    setSelection(kMainCharList, itemOfCode(code));
}

void MainDialog::onText(int id) {
    if (id != kMainCode) return;
    int code = readCodeText(text(kMainCode));
    if (code < kFirstListedCode) code = kFirstListedCode;
    if (code > kLastListedCode) code = kLastListedCode;
    selectCode(code);  // the edit keeps what was typed
}

void MainDialog::onSelect(int id) {
    if (id == kMainCharList) {
        int code = codeOfItem(selection(kMainCharList));
        settings_.charNumber = int16_t(code);
        setText(kMainCode, std::to_string(code));
    } else if (id == kMainDesignUnit) {
        int item = selection(kMainDesignUnit);
        if (item >= 0 && size_t(item) < designSizeUnits().size()) {
            numericBox(kMainDesignSize)->setDisplayUnit(designSizeUnits()[size_t(item)]);
            syncBox(kMainDesignSize);
        }
    }
}

void MainDialog::onCheck(int id) {
    if (id != kMainAuto) return;
    settings_.autoWidth = checked(kMainAuto) ? 1 : 0;
    setEnabled(kMainWidth, settings_.autoWidth == 0);
    if (settings_.autoWidth) recomputeAutoWidth();
}

void MainDialog::onNumeric(int id, int code) {
    // The unit combo follows a unit chosen from the box's own menu.
    if (id == kMainDesignSize && code == kNbnUnitChanged) {
        setSelection(kMainDesignUnit, numericBox(kMainDesignSize)->comboSelection());
        return;
    }
    if (code != kNbnCommitted && code != kNbnTyped) return;
    if (id == kMainWidth) {
        setCharWidth(wholeValue(numericBox(kMainWidth)->getValue(), kMaxCharWidth), false);
    } else if (id == kMainDesignSize) {
        settings_.designSize = wholeValue(
            numericBox(kMainDesignSize)->getValue(kUnitThousandthsOfInch), kMaxDesignSize);
        settings_.designSizeUnit = kUnitThousandthsOfInch;
        if (settings_.autoWidth) recomputeAutoWidth();
        touch();  // the preview is drawn at the new scale
    }
}

void MainDialog::onClick(int id) {
    switch (id) {
        case kMainOptions:
            runOptions();
            break;
        case kIdOk:
            accept();
            break;
        case kIdCancel:
            end(kDialogCancel);
            break;
        case kIdHelp:
            view().showHelp(helpFile_, helpContext());
            break;
        default:
            break;
    }
}

void MainDialog::runOptions() {
    int result = kDialogCancel;
    if (settings_.fontExists) {
        FontOptionsDialog options(kind_, call_, settings_, session_, view());
        result = view().runModal(options);
    } else {
        OptionsDialog options(kind_, call_, settings_, view());
        result = view().runModal(options);
    }
    if (result == kDialogOk && fontExisted_) {
        // The font is written at once without the new glyph and read back, so that the
        // list shows what the deletions and replacements left.
        session_.setAddGlyph(false);
        session_.applySettings(settings_);
        if (session_.saveFontNow() && session_.reloadFont()) {
            session_.setAddGlyph(true);
            touch();
        }
    }
    setText(kMainTitleLine, fontTitleLine(settings_));
    if (settings_.autoWidth) recomputeAutoWidth();
}

void MainDialog::accept() {
    const int c = settings_.charNumber;
    if (codeIsExcluded(c)) {
        showDialogError(kind_, str::kCodeNotSupported);
        return;
    }
    if (session_.hasGlyph(c) && !session_.deleteMark(c)) {
        if (!askYesNo(kind_, str::kOverwriteDefinition, errorCaption(kind_))) return;
        session_.setDeleteMark(c);
    }
    settings_.charWidth = wholeValue(numericBox(kMainWidth)->getValue(), kMaxCharWidth);
    settings_.designSizeUnit = kUnitThousandthsOfInch;
    settings_.designSize =
        wholeValue(numericBox(kMainDesignSize)->getValue(kUnitThousandthsOfInch), kMaxDesignSize);
    end(kDialogOk);
}

// ------------------------------------------------------------------ preview

void MainDialog::setPreviewPane(const PixelRect& pane) {
    geometry_ = PreviewGeometry::fromPane(pane);
    marker_.painted(settings_.charWidth);
    touch();
}

PreviewTransform MainDialog::previewTransform() const {
    return PreviewTransform::make(geometry_, session_.glyphOriginX(), session_.glyphOriginY(),
                                  settings_.designSize);
}

std::vector<PathSegment> MainDialog::previewOutline() const {
    return previewPath(session_.outlinePoints(), session_.outlineTypes(), session_.outlineCount());
}

void MainDialog::apply(const PreviewMouseResult& r) {
    for (int x : r.toggles) toggles_.push_back(x);
    if (!r.widthChanged) return;
    int w = r.width > kMaxCharWidth ? kMaxCharWidth : r.width;
    settings_.charWidth = int16_t(w < 0 ? 0 : w);
    if (r.showInWidthBox) {
        numericBox(kMainWidth)->setValue(settings_.charWidth);
        syncBox(kMainWidth);
    }
    touch();
}

void MainDialog::mouseDown(int x, int y) {
    if (!isOpen()) return;
    apply(
        mouse_.buttonDown(x, y, settings_.autoWidth != 0, geometry_, settings_.gridSize, marker_));
}

void MainDialog::mouseMove(int x, int) {
    if (!isOpen()) return;
    apply(mouse_.move(x, geometry_, settings_.gridSize, marker_));
}

void MainDialog::mouseUp(int x, int) {
    if (!isOpen()) return;
    apply(mouse_.buttonUp(x, geometry_, settings_.gridSize, marker_));
}

std::vector<int> MainDialog::takeMarkerToggles() {
    std::vector<int> out;
    out.swap(toggles_);
    return out;
}

}  // namespace gx
