#include "cli_support.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "font_info.h"
#include "install/install.h"
#include "outline_reader.h"
#include "platform/platform.h"
#include "plugin_host.h"
#include "support/paths.h"
#include "support/units.h"
#include "ui/settings.h"

#include "svg/svg_reader.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace gx::host {
namespace {

bool allDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool parseHex(const std::string& s, long& out) {
    if (s.empty() || s.size() > 6) return false;
    char* end = nullptr;
    out = std::strtol(s.c_str(), &end, 16);
    return *end == '\0';
}

// One UTF-8 encoded character, as its code point.
bool singleCharacter(const std::string& s, long& code) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(s.data());
    if (s.size() == 1 && b[0] < 0x80) return code = b[0], true;
    if (s.size() == 2 && (b[0] & 0xE0) == 0xC0 && (b[1] & 0xC0) == 0x80)
        return code = ((b[0] & 0x1F) << 6) | (b[1] & 0x3F), true;
    return false;
}

struct FileStamp {
    bool exists = false;
    long long size = 0, mtimeNs = 0, inode = 0;
    bool operator==(const FileStamp& o) const {
        return exists == o.exists && size == o.size && mtimeNs == o.mtimeNs && inode == o.inode;
    }
};

FileStamp stampOf(const std::string& path) {
    FileStamp s;
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) {
        s.exists = true;
        s.size = (static_cast<long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
        s.mtimeNs = (static_cast<long long>(d.ftLastWriteTime.dwHighDateTime) << 32) |
                    d.ftLastWriteTime.dwLowDateTime;
        s.inode = (static_cast<long long>(d.ftCreationTime.dwHighDateTime) << 32) |
                  d.ftCreationTime.dwLowDateTime;
    }
#else
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        s.exists = true;
        s.size = st.st_size;
        s.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
        s.inode = static_cast<long long>(st.st_ino);
    }
#endif
    return s;
}

std::string baseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool endsWith(const std::string& s, const std::string& suffix) {
    if (s.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char a = s[s.size() - suffix.size() + i];
        if (a >= 'A' && a <= 'Z') a = char(a + 32);
        if (a != suffix[i]) return false;
    }
    return true;
}

void setEnv(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

struct LoadedShape {
    std::vector<HostOutline> objects;
    double viewBoxHeightThousandths = 0;
};

bool loadShape(const RunRequest& req, const std::string& path, LoadedShape& shape) {
    if (endsWith(path, ".svg")) {
        SvgOptions options;
        options.originSet = req.originSet;
        options.originX = req.originX;
        options.originY = req.originY;
        options.strokes = !req.noStrokes;
        SvgResult r = readSvgFile(path, options);
        if (!r.ok) {
            std::fprintf(stderr, "glyph-export: %s\n", r.error.c_str());
            return false;
        }
        shape.objects.push_back(std::move(r.outline));
        shape.viewBoxHeightThousandths = r.viewBoxHeightThousandths;
        return true;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "glyph-export: %s: cannot read the shape file\n", path.c_str());
        return false;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    OutlineFile file;
    std::string error;
    if (!parseOutlineText(ss.str(), path, file, error)) {
        std::fprintf(stderr, "glyph-export: %s\n", error.c_str());
        return false;
    }
    shape.objects = std::move(file.objects);
    return true;
}

}  // namespace

std::string defaultConfigPath() {
#ifdef _WIN32
    const char* appdata = std::getenv("APPDATA");
    std::string base = appdata && *appdata ? appdata : ".";
    std::string dir = base + "\\glyph-export";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\glyph-export.ini";
#else
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string base = xdg && *xdg ? xdg : std::string(home && *home ? home : ".") + "/.config";
    ::mkdir(base.c_str(), 0755);
    std::string dir = base + "/glyph-export";
    ::mkdir(dir.c_str(), 0755);
    return dir + "/glyph-export.ini";
#endif
}

bool parseCharCode(const std::string& text, int& code, std::string& error) {
    long v = -1;
    if (singleCharacter(text, v)) {
        // a single character stands for itself, digits included
    } else if (allDigits(text) && text.size() <= 5) {
        v = std::strtol(text.c_str(), nullptr, 10);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        if (!parseHex(text.substr(2), v)) v = -1;
    } else if (text.size() > 2 && (text[0] == 'U' || text[0] == 'u') && text[1] == '+') {
        if (!parseHex(text.substr(2), v)) v = -1;
    } else {
        error = "not a code: give a number, 0xNN, U+NNNN or a single character";
        return false;
    }
    if (v < 33 || v > 255) {
        error = "codes run from 33 to 255";
        return false;
    }
    code = static_cast<int>(v);
    return true;
}

bool parseWidth(const std::string& text, int& width, std::string& error) {
    if (text == "auto") return width = -1, true;
    if (!allDigits(text) || text.size() > 5 || std::atoi(text.c_str()) > 16383) {
        error = "give \"auto\" or a width from 0 to 16383 font units";
        return false;
    }
    width = std::atoi(text.c_str());
    return true;
}

bool parseDesignSize(const std::string& text, int& thousandths, std::string& error) {
    double v = 0;
    if (!parseLengthWithUnit(text, 20, v) || !(v >= 1 && v <= 16383)) {
        error = "give a length from 0.001in to 16.383in, e.g. 720pt, 10in, 254mm, 60pc";
        return false;
    }
    thousandths = static_cast<int>(v);
    return true;
}

bool parseOrigin(const std::string& text, double& x, double& y, std::string& error) {
    char* end = nullptr;
    x = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != ',') {
        error = "give X,Y in SVG user units";
        return false;
    }
    const char* second = end + 1;
    y = std::strtod(second, &end);
    if (end == second || *end != '\0' || !std::isfinite(x) || !std::isfinite(y)) {
        error = "give X,Y in SVG user units";
        return false;
    }
    return true;
}

int codeFromFileName(const std::string& path) {
    std::string name = baseName(path);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    long v = -1;
    if (singleCharacter(name, v)) {
    } else if (allDigits(name) && name.size() <= 3) {
        v = std::strtol(name.c_str(), nullptr, 10);
    } else if (name.size() > 2 && (name[0] == 'U' || name[0] == 'u') && name[1] == '+') {
        if (!parseHex(name.substr(2), v)) v = -1;
    } else if (name.size() == 7 && name.compare(0, 3, "uni") == 0) {
        if (!parseHex(name.substr(3), v)) v = -1;
    }
    return v >= 33 && v <= 255 ? static_cast<int>(v) : 0;
}

bool parseCodeWidth(const std::string& text, int& code, int& width, std::string& error) {
    size_t eq = text.rfind('=');
    if (eq == std::string::npos || eq == 0) {
        error = "give CODE=WIDTH, e.g. A=600 or 65=600";
        return false;
    }
    return parseCharCode(text.substr(0, eq), code, error) &&
           parseWidth(text.substr(eq + 1), width, error) &&
           (width >= 0 || (error = "a character's width is a number", false));
}

std::string dialogScript(const DialogChoices& c, bool newFont) {
    static const char* kStyleItems[] = {"Normal", "Bold", "Italic", "BoldItalic"};
    std::string s;
    if (newFont) {
        s += "dialog 130\n";
        if (!c.family.empty()) s += "text 1000 " + c.family + "\n";
        // The style list is locked while "Symbol font" is checked: the check box first.
        if (c.symbol >= 0) s += std::string("check 1009 ") + (c.symbol ? "on" : "off") + "\n";
        if (!c.style.empty()) {
            std::string lower;
            for (char ch : c.style) lower += char(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
            int i = lower == "bold" ? 1 : lower == "italic" ? 2 : lower == "bolditalic" ? 3 : 0;
            s += std::string("select 1001 ") + kStyleItems[i] + "\n";
        }
        if (c.grid > 0) s += "text 1002 " + std::to_string(c.grid) + "\n";
        if (c.spaceWidth >= 0) s += "value 1003 " + std::to_string(c.spaceWidth) + "\n";
        s += "ok\nanswer yes\n";  // "Save changes to Font File"
    }
    s += "dialog 131\n";
    if (!newFont && (!c.deleteCodes.empty() || !c.setWidths.empty() || !c.metricsFile.empty())) {
        s += "click 1011\ndialog 132\n";
        for (int code : c.deleteCodes) s += "text 1039 " + std::to_string(code) + "\nclick 1025\n";
        for (const auto& [code, width] : c.setWidths)
            s += "text 1039 " + std::to_string(code) + "\nvalue 1040 " + std::to_string(width) +
                 "\n";
        // An import locks the character controls, so it comes last.
        if (!c.metricsFile.empty()) s += "click 1026\nfile " + c.metricsFile + "\n";
        s += "ok\nanswer yes\n";
    }
    if (c.charCode > 0) s += "text 1014 " + std::to_string(c.charCode) + "\n";
    if (c.width == -1) s += "check 1019 on\n";
    if (c.width >= 0) s += "check 1019 off\nvalue 1016 " + std::to_string(c.width) + "\n";
    if (c.designSizeThousandths > 0) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d.%03d", c.designSizeThousandths / 1000,
                      c.designSizeThousandths % 1000);
        s += std::string("select 1018 inches\nvalue 1017 ") + buf + "\n";
    }
    // "Overwrite existing definition", when the code holds a glyph.
    s += c.replace ? "ok\nanswer yes\n" : "ok\nanswer no\n";
    return s;
}

namespace {

// File mode: turns the options into the dialog script of one export and names it in
// GLYPH_EXPORT_UI_SCRIPT. `scriptPath` is the temporary file made for it, if any.
// False (with a message) when the export must not run.
bool isPlainAscii(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// An object with no node that draws (none at all, or control points alone) gives no glyph.
bool isEmptyShape(const LoadedShape& shape) {
    for (const HostOutline& o : shape.objects)
        for (uint8_t type : o.types)
            if ((type & 0xC0) != 0xC0) return false;
    return true;
}

std::string codeList(const std::vector<int>& codes) {
    std::string s;
    for (int c : codes) s += (s.empty() ? "" : ", ") + std::to_string(c);
    return s;
}

// `usage` is set when the options, not the files, are at fault. `warning` is what to say
// once the export has been written.
bool prepareDialogs(const RunRequest& req, const LoadedShape& shape, const std::string& shapePath,
                    const FileStamp& before, std::string& scriptPath, bool& usage,
                    std::string& warning) {
    DialogChoices choices = req.dialog;
    if (req.shapes.size() > 1) choices.charCode = codeFromFileName(shapePath);
    if (req.emFromSvg && shape.viewBoxHeightThousandths > 0)
        choices.designSizeThousandths =
            static_cast<int>(std::lround(shape.viewBoxHeightThousandths));
    const bool newFont = !before.exists || (req.kind == TargetKind::Type1 && before.size == 0);
    // A new font needs a family name: the file's own name unless one was given.
    if (newFont && choices.family.empty()) {
        choices.family = baseName(req.target);
        size_t dot = choices.family.rfind('.');
        if (dot != std::string::npos && dot > 0) choices.family.resize(dot);
        // The fonts keep family names in 8-bit records (and Type 1 names in ASCII); a
        // name made from such a file name would not be the one the user sees.
        if (!isPlainAscii(choices.family)) {
            std::fprintf(stderr,
                         "glyph-export: %s: the file name is not plain ASCII, so it cannot be "
                         "the family name of the new font; give one with --family NAME\n",
                         req.target.c_str());
            usage = true;
            return false;
        }
    }
    if (!newFont && choices.charCode > 0 && !choices.replace && !req.showDialogs &&
        std::find(choices.deleteCodes.begin(), choices.deleteCodes.end(), choices.charCode) ==
            choices.deleteCodes.end() &&
        fontHasCode(req.target, choices.charCode)) {
        std::fprintf(stderr,
                     "glyph-export: %s: code %d already holds a glyph; give --replace to "
                     "replace it\n",
                     req.target.c_str(), choices.charCode);
        return false;
    }
    // Replacing or deleting a glyph takes the composites built on it along (the font
    // cannot keep a composite without its parts); say which codes those are.
    if (!newFont && req.kind == TargetKind::TrueType) {
        std::vector<int> removed = choices.deleteCodes;
        if (choices.charCode > 0 && choices.replace) removed.push_back(choices.charCode);
        if (!removed.empty()) {
            const std::vector<int> going = codesGoingWith(req.target, removed);
            if (!going.empty())
                warning = "glyph-export: warning: " + req.target + ": the glyphs of codes " +
                          codeList(going) + " are composites built on a glyph that goes (code " +
                          codeList(removed) + "), so they were removed too";
        }
    }
    if (!req.uiScript.empty()) {
        setEnv("GLYPH_EXPORT_UI_SCRIPT", req.uiScript);
        return true;
    }
    scriptPath = platform::createTempFileIn(platform::tempDirectory(), "gxui");
    std::ofstream out(scriptPath, std::ios::binary | std::ios::trunc);
    out << dialogScript(choices, newFont);
    if (scriptPath.empty() || !out.good()) {
        std::fprintf(stderr, "glyph-export: cannot write the dialog script\n");
        if (!scriptPath.empty()) std::remove(scriptPath.c_str());
        return false;
    }
    setEnv("GLYPH_EXPORT_UI_SCRIPT", scriptPath);
    return true;
}

}  // namespace

namespace {

// Says what an export wrote where: the font (and a Type 1 font's metrics files), the
// codes it gained, and where the previous version is kept.
class WrittenReport {
  public:
    explicit WrittenReport(const RunRequest& req) : req_(req) {
        path_ = req.kind == TargetKind::Symbol ? installedFontPath(family(), req.iniPath, false)
                                               : req.target;
        existed_ = !path_.empty() && stampOf(path_).exists;
        if (existed_) codes_ = codesOf(path_);
    }

    void print() {
        if (req_.kind == TargetKind::Symbol)
            path_ = installedFontPath(family(), req_.iniPath, true);
        if (path_.empty()) return;
        std::string added;
        for (int code : codesOf(path_)) {
            // The space comes with every new font; the shapes went to the other codes.
            if (code <= 32 || std::find(codes_.begin(), codes_.end(), code) != codes_.end())
                continue;
            added += added.empty() ? " " : ", ";
            added += std::to_string(code);
            if (code > 32 && code < 127) added += std::string(" '") + char(code) + "'";
        }
        std::string files = path_;
        if (req_.kind == TargetKind::Type1)
            files += ", " + companionPath(path_, ".afm") + ", " + companionPath(path_, ".pfm");
        std::printf("Wrote %s", files.c_str());
        if (req_.kind == TargetKind::Symbol)
            std::printf(" (installed as \"%s\")", req_.target.c_str());
        std::printf("\n");
        if (!added.empty()) std::printf("  new codes:%s\n", added.c_str());
        const std::string backup = req_.kind == TargetKind::Symbol ? install::backupPathFor(path_)
                                                                   : companionPath(path_, ".bak");
        if (existed_ && stampOf(backup).exists)
            std::printf("  previous version: %s\n", backup.c_str());
    }

  private:
    // The plug-in keeps as much of the family name as its session holds.
    std::string family() const { return req_.target.substr(0, kMaxFamilyNameInSession); }
    static std::vector<int> codesOf(const std::string& path) {
        FontSummary summary;
        std::string error;
        std::vector<int> codes;
        if (readFontSummary(path, summary, error))
            for (const FontCharacter& c : summary.characters) codes.push_back(c.code);
        return codes;
    }
    // The file symbol mode writes for the family: its installed file, or the one a new
    // family gets.
    static std::string installedFontPath(const std::string& family, const std::string& iniPath,
                                         bool mustBeRegistered) {
        const install::InstalledFont found = install::locateInstalledFont(family, iniPath);
        return found.found && (found.registered || !mustBeRegistered) ? found.path : std::string();
    }

    const RunRequest& req_;
    std::string path_;
    bool existed_ = false;
    std::vector<int> codes_;
};

}  // namespace

RunStatus runRequest(const RunRequest& req) {
    const bool truetype = req.kind != TargetKind::Type1;
    const std::string plugin = req.pluginDir + "/" + pluginFileName(truetype);
    const bool progress = req.shapes.size() > 1 && isatty(fileno(stderr));
    // A console program never waits behind a message box: the plug-ins print
    // "Caption: text" instead. With --dialogs a person answers the real ones.
    setEnv("GLYPH_EXPORT_MESSAGES", req.showDialogs ? "" : "console");
    setEnv("GLYPH_EXPORT_DIALOGS", req.showDialogs ? "person" : "");
    // The questions the options already answered are shown only when asked for.
    setEnv("GLYPH_EXPORT_QUIET", req.verbose ? "0" : "1");
    WrittenReport report(req);

    for (size_t i = 0; i < req.shapes.size(); ++i) {
        const std::string& shapePath = req.shapes[i];
        LoadedShape shape;
        if (!loadShape(req, shapePath, shape)) return RunStatus::Failed;
        if (isEmptyShape(shape)) {
            std::fprintf(stderr,
                         "glyph-export: %s: the shape is empty (no points that draw); nothing "
                         "was exported\n",
                         shapePath.c_str());
            return RunStatus::Failed;
        }

        ExportJob job;
        job.pluginPath = plugin;
        job.fileMode = req.kind != TargetKind::Symbol;
        job.target = req.target;
        job.objects = shape.objects;
        job.iniPath = req.iniPath;

        const FileStamp before = job.fileMode ? stampOf(req.target) : FileStamp{};
        std::string scriptPath, warning;
        bool usage = false;
        if (job.fileMode &&
            !prepareDialogs(req, shape, shapePath, before, scriptPath, usage, warning))
            return usage ? RunStatus::Usage : RunStatus::Failed;
        if (progress)
            std::fprintf(stderr, "[%zu/%zu] %s\n", i + 1, req.shapes.size(), shapePath.c_str());
        ExportOutcome outcome = runExport(job);
        if (!scriptPath.empty()) std::remove(scriptPath.c_str());
        if (!outcome.loaded) {
            std::fprintf(stderr, "glyph-export: %s\n", outcome.loadError.c_str());
            return RunStatus::Failed;
        }
        if (!outcome.beginResult || !outcome.finishResult) return RunStatus::Failed;
        // The plug-ins report a cancelled dialog as success; only the file tells.
        if (job.fileMode && stampOf(req.target) == before) {
            std::fprintf(stderr,
                         "glyph-export: %s: the export was cancelled; nothing was written\n",
                         shapePath.c_str());
            return RunStatus::Cancelled;
        }
        if (!warning.empty()) std::fprintf(stderr, "%s\n", warning.c_str());
    }
    report.print();
    return RunStatus::Written;
}

}  // namespace gx::host
