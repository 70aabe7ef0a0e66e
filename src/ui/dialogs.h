// The export dialogs as the sessions see them.
#pragma once

#include "ui/settings.h"

namespace gx {

struct HostExportCall;

inline constexpr int kOptionsDialog = 130;
inline constexpr int kMainDialog = 131;
inline constexpr int kExtendedOptionsDialog = 132;

// Dialog results, as a dialog procedure ends.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;
inline constexpr int kDialogAbort = 3;
inline constexpr int kDialogFailed = -1;

inline bool dialogAccepted(int result) {
    return result != kDialogCancel && result != kDialogAbort && result != kDialogFailed;
}

// File mode's dialogs: the Options dialog (130) first for a new font and, when it was
// accepted, the main dialog (131). Edits `settings`; returns the last dialog's result.
int runExportDialogs(PluginKind kind, HostExportCall& call, FontExportSettings& settings,
                     bool newFont);

}  // namespace gx
