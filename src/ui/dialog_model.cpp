#include "ui/dialog_model.h"

#include "support/text.h"

#include <algorithm>
#include <cstring>

#include "entry/host_abi.h"
#include "platform/platform.h"

namespace gx {

DialogModel::DialogModel(int templateId, DialogView& view) : templateId_(templateId), view_(view) {}

DialogModel::~DialogModel() = default;

const Control* DialogModel::find(int id) const {
    for (const Control& c : controls_)
        if (c.id == id) return &c;
    return nullptr;
}

Control& DialogModel::control(int id) {
    for (Control& c : controls_)
        if (c.id == id) return c;
    // Models only name controls they added; reaching here is a programming error.
    static Control none;
    none = Control{};
    return none;
}

std::string DialogModel::text(int id) const {
    const Control* c = find(id);
    return c ? c->text : std::string();
}

bool DialogModel::enabled(int id) const {
    const Control* c = find(id);
    return c && c->enabled;
}

bool DialogModel::checked(int id) const {
    const Control* c = find(id);
    return c && c->checked;
}

int DialogModel::selection(int id) const {
    const Control* c = find(id);
    return c ? c->selection : -1;
}

const std::vector<std::string>& DialogModel::items(int id) const {
    static const std::vector<std::string> none;
    const Control* c = find(id);
    return c ? c->items : none;
}

NumericBox* DialogModel::numericBox(int id) {
    auto it = boxes_.find(id);
    return it == boxes_.end() ? nullptr : it->second.get();
}

Control& DialogModel::add(int id, ControlKind kind, const std::string& text) {
    Control c;
    c.id = id;
    c.kind = kind;
    c.text = text;
    controls_.push_back(c);
    touch();
    return controls_.back();
}

NumericBox& DialogModel::addNumericBox(int id, const std::string& text) {
    add(id, ControlKind::NumericBox, text);
    NumericBox::Host host;
    host.notify = [this, id](int code) {
        // A box set up or changed by the model itself is not the user's doing.
        if (!settingUp_) {
            syncBox(id);
            onNumeric(id, code);
        }
    };
    host.parentCommand = [this](int command) {
        userClick(command == kNbCancelCommand ? kIdCancel : kIdOk);
    };
    auto box = std::make_unique<NumericBox>(std::move(host));
    NumericBox& ref = *box;
    boxes_[id] = std::move(box);
    return ref;
}

void DialogModel::syncBox(int id) {
    NumericBox* box = numericBox(id);
    if (!box) return;
    Control& c = control(id);
    c.text = box->text();
    c.enabled = box->enabled();
    touch();
}

void DialogModel::setText(int id, const std::string& text) {
    control(id).text = text;
    touch();
}

void DialogModel::setEnabled(int id, bool on) {
    control(id).enabled = on;
    if (NumericBox* box = numericBox(id)) box->setEnabled(on);
    touch();
}

void DialogModel::setChecked(int id, bool on) {
    control(id).checked = on;
    touch();
}

void DialogModel::setSelection(int id, int index) {
    Control& c = control(id);
    c.selection = index >= 0 && size_t(index) < c.items.size() ? index : -1;
    if (c.kind == ControlKind::DropDownList)
        c.text = c.selection >= 0 ? c.items[size_t(c.selection)] : std::string();
    touch();
}

void DialogModel::setItems(int id, std::vector<std::string> items) {
    Control& c = control(id);
    c.items = std::move(items);
    c.selection = -1;
    if (c.kind == ControlKind::DropDownList) c.text.clear();
    touch();
}

void DialogModel::end(int result) {
    open_ = false;
    result_ = result;
    touch();
}

void DialogModel::init() {
    if (initialised_) return;
    initialised_ = true;
    open_ = true;
    settingUp_ = true;
    onInit();
    settingUp_ = false;
    for (auto& entry : boxes_) syncBox(entry.first);
}

bool DialogModel::userText(int id, const std::string& text) {
    const Control* c = find(id);
    if (!open_ || !c || !c->enabled ||
        (c->kind != ControlKind::Edit && c->kind != ControlKind::DropDownEdit))
        return false;
    Control& m = control(id);
    m.text = text;
    if (m.kind == ControlKind::DropDownEdit) m.selection = -1;
    touch();
    onText(id);
    return true;
}

bool DialogModel::userCheck(int id, bool on) {
    const Control* c = find(id);
    if (!open_ || !c || !c->enabled || c->kind != ControlKind::CheckBox) return false;
    if (c->checked == on) return true;
    setChecked(id, on);
    onCheck(id);
    return true;
}

int DialogModel::itemIndex(int id, const std::string& itemText) const {
    const Control* c = find(id);
    if (!c) return -1;
    for (size_t i = 0; i < c->items.size(); ++i)
        if (c->items[i] == itemText) return int(i);
    return -1;
}

bool DialogModel::userSelect(int id, int index) {
    const Control* c = find(id);
    if (!open_ || !c || !c->enabled || index < 0 || size_t(index) >= c->items.size() ||
        (c->kind != ControlKind::DropDownList && c->kind != ControlKind::DropDownEdit &&
         c->kind != ControlKind::ListBox))
        return false;
    Control& m = control(id);
    m.selection = index;
    if (m.kind != ControlKind::ListBox) m.text = m.items[size_t(index)];
    touch();
    onSelect(id);
    return true;
}

bool DialogModel::userClick(int id) {
    const Control* c = find(id);
    if (!open_ || !c || !c->enabled || c->kind != ControlKind::Button) return false;
    onClick(id);
    return true;
}

bool DialogModel::userValue(int id, const std::string& text) {
    const Control* c = find(id);
    NumericBox* box = numericBox(id);
    if (!open_ || !c || !c->enabled || !box) return false;
    bool accepted = box->typeText(text);
    box->commit();
    syncBox(id);
    return accepted;
}

// ------------------------------------------------------------------ helpers

int readCodeText(const std::string& text) {
    long v = 0;
    if (!readLeadingInteger(text, v) || v < 0) return 0;
    return int(std::min(v, 100000L));
}

bool readWholeNumber(const std::string& text, long& value) {
    return readLeadingInteger(text, value);
}

std::string hostHelpFilePath(HostExportCall& call) {
    if (!call.callbacks || !call.callbacks->helpFilePath) return {};
    char buffer[261] = {};
    call.callbacks->helpFilePath(buffer, 260);
    buffer[260] = '\0';
    return buffer;
}

std::string uiString(int id) {
    const char* s = platform::loadString(id);
    return s ? s : "";
}

}  // namespace gx
