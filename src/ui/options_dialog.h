// The font-wide Options: the plain dialog (130) of a font about to be created, and the
// extended one (132) of an existing font, which also edits the characters already in
// it and imports metrics from an AFM file.
#pragma once

#include <memory>
#include <string>

#include "support/charlist.h"
#include "ui/dialog_model.h"
#include "ui/dialog_session.h"
#include "ui/dialogs.h"
#include "ui/settings.h"

namespace gx {

// Plain Options dialog, template 130.
enum : int {
    kOptFamilyName = 1000,
    kOptStyle = 1001,
    kOptGridSize = 1002,
    kOptSpaceWidth = 1003,
    kOptFamilyLabel = 1005,
    kOptStyleLabel = 1006,
    kOptGridLabel = 1007,
    kOptSpaceLabel = 1008,
    kOptSymbolFont = 1009,
    kOptGroup = 1010,
};

// Extended Options dialog, template 132.
enum : int {
    kFontOptCharGroup = 1024,
    kFontOptDelete = 1025,
    kFontOptLoadMetrics = 1026,
    kFontOptGroup = 1027,
    kFontOptFamilyLabel = 1028,
    kFontOptStyleLabel = 1029,
    kFontOptGridLabel = 1030,
    kFontOptSpaceLabel = 1031,
    kFontOptFamilyName = 1032,
    kFontOptStyle = 1033,
    kFontOptGridSize = 1034,
    kFontOptSpaceWidth = 1037,
    kFontOptSymbolFont = 1038,
    kFontOptNumber = 1039,
    kFontOptWidth = 1040,
    kFontOptCharList = 1041,
    kFontOptNumberLabel = 1015,
    kFontOptWidthLabel = 1023,
};

inline constexpr int kHelpContextOptions = 41400;
inline constexpr int kHelpContextFontOptions = 41350;
inline constexpr int kMinGridSize = 16;
inline constexpr int kMaxGridSize = 16383;

// The style combo lists the styles from BoldItalic down to Normal.
inline int styleItemOf(int style) {
    return style >= 0 && style <= 3 ? 3 - style : -1;
}

// The message caption of errors ("TrueType Export" / "Adobe Type 1 Export") and of the
// questions the dialogs ask ("True Type Export" / "Adobe Type 1 Export").
std::string errorCaption(PluginKind kind);
std::string questionCaption(PluginKind kind);
void showDialogError(PluginKind kind, int messageId);
bool askYesNo(PluginKind kind, int messageId, const std::string& caption);

// Empty and over-long family names are refused with their message.
bool familyNameIsValid(PluginKind kind, const std::string& name);

class OptionsDialog : public DialogModel {
  public:
    OptionsDialog(PluginKind kind, HostExportCall& call, FontExportSettings& settings,
                  DialogView& view);
    int helpContext() const override { return kHelpContextOptions; }

  protected:
    void onInit() override;
    void onCheck(int id) override;
    void onClick(int id) override;

  private:
    void accept();

    PluginKind kind_;
    HostExportCall& call_;
    FontExportSettings& settings_;
    FontExportSettings atOpen_;  // what Cancel puts back
};

class FontOptionsDialog : public DialogModel {
  public:
    FontOptionsDialog(PluginKind kind, HostExportCall& call, FontExportSettings& settings,
                      DialogSession& session, DialogView& view);
    int helpContext() const override { return kHelpContextFontOptions; }

    int currentCode() const { return current_; }
    // The list's per-code state, for drawing its items.
    CharStates charStates() const;

  protected:
    void onInit() override;
    void onText(int id) override;
    void onSelect(int id) override;
    void onClick(int id) override;
    void onNumeric(int id, int code) override;

  private:
    bool isLive(int code) const;
    void showCurrentCode();
    void showBoxQuietly(int id, double value);
    void deleteCharacter();
    void loadMetrics();
    void accept();
    void cancel();

    PluginKind kind_;
    HostExportCall& call_;
    FontExportSettings& settings_;
    DialogSession& session_;
    std::unique_ptr<DialogSession::Snapshot> snapshot_;
    FontExportSettings atOpen_;
    int current_ = kFirstListedCode;
};

}  // namespace gx
