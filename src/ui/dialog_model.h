// A dialog as a model: its controls by template id with the state a window would show
// (text, enabled, checked, selection, items) and its reactions to the user. Whatever
// shows it — the Win32 dialog procedure or the scripted user — forwards the user's
// actions here and mirrors the controls back; the model never touches a window.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/numbox.h"

namespace gx {

struct HostExportCall;
class DialogModel;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdHelp = 9;

enum class ControlKind {
    Static,
    Edit,
    CheckBox,
    Button,
    DropDownList,  // a combo whose text is always one of its items
    DropDownEdit,  // a combo with an edit part the user may type into
    ListBox,
    NumericBox,
};

struct Control {
    int id = 0;
    ControlKind kind = ControlKind::Static;
    std::string text;
    bool enabled = true;
    bool checked = false;
    int selection = -1;  // -1: no item selected
    std::vector<std::string> items;
};

// The system's Open File dialog, as the Options dialog asks for it.
struct OpenFileRequest {
    std::string filter;  // "Name (*.ext)| *.ext||"
    std::string defaultExtension;
    std::string initialName;
    bool hideReadOnly = true;
    bool pathMustExist = true;
    bool fileMustExist = true;
};

// What a model asks of whoever shows it.
class DialogView {
  public:
    virtual ~DialogView() = default;
    // Shows another dialog modally on top of this one and returns how it ended.
    virtual int runModal(DialogModel& dialog) = 0;
    // False when the user cancelled the file dialog.
    virtual bool chooseOpenFile(const OpenFileRequest& request, std::string& path) = 0;
    // The system help engine at a context of the help file.
    virtual void showHelp(const std::string& helpFile, int context) = 0;
};

class DialogModel {
  public:
    DialogModel(int templateId, DialogView& view);
    virtual ~DialogModel();
    DialogModel(const DialogModel&) = delete;
    DialogModel& operator=(const DialogModel&) = delete;

    int templateId() const { return templateId_; }
    const std::string& title() const { return title_; }
    // The help context of "&Help" and the dialog id the host's help entries get.
    virtual int helpContext() const = 0;
    // The help file the host named when the dialog opened.
    const std::string& helpFile() const { return helpFile_; }

    // ---- controls, for the view and for tests
    const std::vector<Control>& controls() const { return controls_; }
    const Control* find(int id) const;
    std::string text(int id) const;
    bool enabled(int id) const;
    bool checked(int id) const;
    int selection(int id) const;
    const std::vector<std::string>& items(int id) const;
    NumericBox* numericBox(int id);
    // Bumped on every change, so a view knows when to mirror the controls again.
    unsigned revision() const { return revision_; }

    // ---- the user. Each is refused (false) when the control is missing, disabled or of
    // another kind, or the value does not fit it; the dialog is then unchanged.
    void init();
    bool userText(int id, const std::string& text);  // an edit or a combo's edit part
    bool userCheck(int id, bool on);                 // sets a check box (no change: nothing)
    bool userSelect(int id, int index);              // a combo or list item
    int itemIndex(int id, const std::string& itemText) const;  // -1 when none matches
    bool userClick(int id);                                    // a push button, OK or Cancel
    // Types into a numeric box and leaves the field, which commits the value. False
    // when the box refused a character (it keeps what was typed before it).
    bool userValue(int id, const std::string& text);

    bool isOpen() const { return open_; }
    int result() const { return result_; }

  protected:
    virtual void onInit() = 0;
    virtual void onText(int) {}
    virtual void onCheck(int) {}
    virtual void onSelect(int) {}
    virtual void onClick(int) {}
    // A numeric box notified its parent (15 committed, 19 typed, ...).
    virtual void onNumeric(int, int) {}

    Control& add(int id, ControlKind kind, const std::string& text = {});
    NumericBox& addNumericBox(int id, const std::string& text = {});
    Control& control(int id);  // the control must exist
    void setTitle(const std::string& title) { title_ = title; }
    void setText(int id, const std::string& text);
    void setEnabled(int id, bool enabled);
    void setChecked(int id, bool checked);
    void setSelection(int id, int index);
    void setItems(int id, std::vector<std::string> items);
    // The numeric box's text changed under the model (set-up, setValue).
    void syncBox(int id);
    void touch() { ++revision_; }
    void end(int result);
    DialogView& view() { return view_; }

    std::string helpFile_;

  private:
    int templateId_;
    DialogView& view_;
    std::string title_;
    std::vector<Control> controls_;
    std::map<int, std::unique_ptr<NumericBox>> boxes_;
    unsigned revision_ = 0;
    bool open_ = false;
    bool initialised_ = false;
    int result_ = 0;
    bool settingUp_ = false;
};

// ---- helpers the dialogs share

// A code field's text as the dialogs read it: decimal digits after optional blanks,
// ended by the first non-digit; no digits give 0. Saturates far above any code.
int readCodeText(const std::string& text);
// A typed number read as a decimal integer: blanks and a sign, then digits up to the
// first other character ("2048abc" is 2048); false when there is no digit.
bool readWholeNumber(const std::string& text, long& value);
// The help file path the host gives; empty when it has no help entry.
std::string hostHelpFilePath(HostExportCall& call);
// Loads a string-table text.
std::string uiString(int id);

}  // namespace gx
