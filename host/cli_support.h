// What the command line asks for, turned into exports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gx::host {

inline constexpr const char* kVersion = "0.1.0";

enum class TargetKind { TrueType, Type1, Symbol };
enum class RunStatus { Written, Failed, Cancelled, Usage };

// The user's choices in the export dialogs; unset values keep the dialogs' proposals.
struct DialogChoices {
    int charCode = 0;  // 0: the proposed code
    int width = -2;    // -2 unset, -1 auto, else font units
    int designSizeThousandths = 0;
    std::string family;
    std::string style;
    int symbol = -1;  // -1 unset
    int grid = 0;
    int spaceWidth = -1;
    // An existing font's Options dialog: characters to delete, widths to set, metrics.
    std::vector<int> deleteCodes;
    std::vector<std::pair<int, int>> setWidths;  // code, width
    std::string metricsFile;
    bool replace = false;  // answer Yes to "Overwrite existing definition"
};

struct RunRequest {
    TargetKind kind = TargetKind::TrueType;
    std::string target;
    std::vector<std::string> shapes;
    DialogChoices dialog;
    std::string iniPath;
    std::string pluginDir;
    bool originSet = false;
    double originX = 0, originY = 0;  // SVG user units
    bool emFromSvg = false;
    bool noStrokes = false;  // refuse unfilled SVG shapes instead of outlining strokes
    std::string uiScript;    // play this script instead of one made from the options
    // Windows: show the real dialogs for a person to fill in (the options give their
    // starting values) and real message boxes; otherwise messages go to standard error.
    bool showDialogs = false;
    bool verbose = false;  // show the questions the dialog script answers
};

// $XDG_CONFIG_HOME/glyph-export/glyph-export.ini (or ~/.config/..., %APPDATA% on Windows).
std::string defaultConfigPath();
// "65", "0x41", "U+0041", or a single character (UTF-8) → a code 0..255.
bool parseCharCode(const std::string& text, int& code, std::string& error);
bool parseWidth(const std::string& text, int& width, std::string& error);
bool parseDesignSize(const std::string& text, int& thousandths, std::string& error);
bool parseOrigin(const std::string& text, double& x, double& y, std::string& error);
// A code from a shape's file name (A.svg, 65.svg, U+0041.svg, uni0041.svg), or 0.
int codeFromFileName(const std::string& path);
// The scripted user's text for one export's dialogs.
std::string dialogScript(const DialogChoices& c, bool newFont);
// "CODE=WIDTH" for --set-width.
bool parseCodeWidth(const std::string& text, int& code, int& width, std::string& error);

RunStatus runRequest(const RunRequest& request);

}  // namespace gx::host
