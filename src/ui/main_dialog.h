// The main export dialog (131): the character code, the advance width (typed, dragged
// in the preview or automatic) and the design size, with the Options dialogs behind
// its "Options..." button.
#pragma once

#include <string>
#include <vector>

#include "support/charlist.h"
#include "ui/dialog_model.h"
#include "ui/dialog_session.h"
#include "ui/dialogs.h"
#include "ui/settings.h"

namespace gx {

enum : int {
    kMainOptions = 1011,
    kMainCode = 1014,
    kMainCodeLabel = 1015,
    kMainWidth = 1016,
    kMainDesignSize = 1017,
    kMainDesignUnit = 1018,
    kMainAuto = 1019,
    kMainPreview = 1021,
    kMainDesignLabel = 1022,
    kMainWidthLabel = 1023,
    kMainTitleLine = 1042,
};

inline constexpr int kHelpContextMain = 41450;

// The design size's display units, in the unit combo's order.
const std::vector<int>& designSizeUnits();
// The title line: the family name, and unless it is a symbol font " - " and the style.
std::string fontTitleLine(const FontExportSettings& settings);

class MainDialog : public DialogModel {
  public:
    // `fontExisted`: the target font file existed when the export began.
    MainDialog(PluginKind kind, HostExportCall& call, FontExportSettings& settings,
               DialogSession& session, DialogView& view, bool fontExisted);
    int helpContext() const override { return kHelpContextMain; }

    CharStates charStates() const;

    // ---- the preview pane, for the view
    void setPreviewPane(const PixelRect& pane);
    const PreviewGeometry& previewGeometry() const { return geometry_; }
    PreviewTransform previewTransform() const;
    std::vector<PathSegment> previewOutline() const;
    // A paint draws the marker afresh at the character width.
    void previewPainted() { marker_.painted(settings_.charWidth); }
    void mouseDown(int x, int y);
    void mouseMove(int x, int y);
    void mouseUp(int x, int y);
    bool capturing() const { return mouse_.dragging(); }
    // Marker lines the view has still to toggle (x positions), in order.
    std::vector<int> takeMarkerToggles();
    int markerWidth() const { return marker_.width(); }
    int gridSize() const { return settings_.gridSize; }
    int designSize() const { return settings_.designSize; }

  protected:
    void onInit() override;
    void onText(int id) override;
    void onCheck(int id) override;
    void onSelect(int id) override;
    void onClick(int id) override;
    void onNumeric(int id, int code) override;

  private:
    void selectCode(int code);
    void setCharWidth(int width, bool showInBox);
    void recomputeAutoWidth();
    int autoWidth() const;
    void runOptions();
    void accept();
    void apply(const PreviewMouseResult& r);

    PluginKind kind_;
    HostExportCall& call_;
    FontExportSettings& settings_;
    DialogSession& session_;
    bool fontExisted_;
    PreviewGeometry geometry_;
    WidthMarker marker_;
    PreviewMouse mouse_;
    std::vector<int> toggles_;
};

}  // namespace gx
