#include "cli_support.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "font_info.h"
#include "install/install.h"
#include "outline_reader.h"
#include "platform/platform.h"
#include "platform/save.h"
#include "plugin_host.h"
#include "support/paths.h"
#include "support/units.h"
#include "truetype/truetype.h"
#include "type1/update.h"
#include "ui/settings.h"
#include "ui/ui_script.h"

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

// The name of a working folder of this host: "KIND-PID-", so a later run can tell
// whether the process that made it still runs.
std::string hostTempPrefix(const char* kind) {
#ifdef _WIN32
    const long pid = static_cast<long>(GetCurrentProcessId());
#else
    const long pid = static_cast<long>(::getpid());
#endif
    return std::string(kind) + "-" + std::to_string(pid) + "-";
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

// The whole of an open file, read from its start.
bool readHeld(platform::FontFile& file, std::string& bytes) {
    const long size = file.size();
    if (size < 0 || file.seek(0, platform::SeekOrigin::Begin) != 0) return false;
    bytes.assign(size_t(size), '\0');
    long done = 0;
    while (done < size) {
        const long n = file.read(&bytes[size_t(done)], size - done);
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

// A new file holding `bytes` (a working copy: not synced).
bool writeWholeFile(const std::string& path, const std::string& bytes) {
    auto file = platform::FontFile::open(path, platform::OpenMode::CreateReadWriteDenyWrite);
    if (!file) return false;
    const bool ok =
        bytes.empty() || file->write(bytes.data(), long(bytes.size())) == long(bytes.size());
    return file->close() && ok;
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
        // An import locks the character controls, so it comes last. A file that cannot be
        // imported ends the export there: nothing of this dialog is saved.
        if (!c.metricsFile.empty()) s += "stop-on-error\nclick 1026\nfile " + c.metricsFile + "\n";
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

// Where the plug-in's finish command leaves its outcome line for this process.
constexpr const char* kOutcomeLineVariable = "GLYPH_EXPORT_OUTCOME_LINE";

// The codes of the font being exported into, learned from it once and kept up to date
// by the exports that follow, so that the font is not read again for every shape.
struct FontCodes {
    bool known = false;
    std::array<bool, 256> occupied{};
    // An export of this run wrote the font: it exists now, even where a batch's plug-in
    // holds it in memory until the batch's last export.
    bool written = false;
    // Codes whose glyph this run wrote, deleted, or removed as a composite: the font read
    // before them no longer tells what they hold.
    std::array<bool, 256> changed{};
};

// What a path names: nothing, a regular file of `size` bytes, or something else.
enum class PathKind { Missing, File, Other };
PathKind pathKind(const std::string& path, long long& size) {
    struct stat st;
    size = 0;
    if (::stat(path.c_str(), &st) != 0) return PathKind::Missing;
    if (!S_ISREG(st.st_mode)) return PathKind::Other;
    size = static_cast<long long>(st.st_size);
    return PathKind::File;
}

// File mode: turns the options into the dialog script of one export into `target` and
// hands it to the plug-in through the environment. False (with a message) when the
// export must not run; `usage` is set when the options, not the files, are at fault.
// `code` receives the code asked for (0: the dialog's proposal); `warning` is what to
// say once the export has been written.
bool prepareDialogs(const RunRequest& req, const LoadedShape& shape, const std::string& shapePath,
                    const std::string& target, FontCodes& codes, int& code, bool& usage,
                    std::string& warning) {
    DialogChoices choices = req.dialog;
    if (req.shapes.size() > 1) choices.charCode = codeFromFileName(shapePath);
    if (req.emFromSvg && shape.viewBoxHeightThousandths > 0)
        choices.designSizeThousandths =
            static_cast<int>(std::lround(shape.viewBoxHeightThousandths));
    code = choices.charCode;
    long long size = 0;
    const PathKind kind = codes.written ? PathKind::File : pathKind(target, size);
    if (kind == PathKind::Other) {
        std::fprintf(stderr, "glyph-export: %s: not a font file (a folder or a device)\n",
                     req.target.c_str());
        return false;
    }
    const bool newFont = !codes.written && (kind == PathKind::Missing ||
                                            (req.kind == TargetKind::Type1 && size == 0));
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
            choices.deleteCodes.end()) {
        if (!codes.known) codes.known = occupiedCodes(target, codes.occupied);
        if (codes.occupied[size_t(choices.charCode)]) {
            std::fprintf(stderr,
                         "glyph-export: %s: code %d already holds a glyph; give --replace to "
                         "replace it\n",
                         req.target.c_str(), choices.charCode);
            return false;
        }
    }
    // Replacing or deleting a glyph takes the composites built on it along (the font
    // cannot keep a composite without its parts); say which codes those are.
    if (!newFont && req.kind == TargetKind::TrueType) {
        std::vector<int> removed = choices.deleteCodes;
        if (choices.charCode > 0 && choices.replace) removed.push_back(choices.charCode);
        if (!removed.empty()) {
            // Within a batch the file is the font from before it (the plug-in holds the
            // rest); a code this run changed holds no composite of that font any more.
            std::vector<int> going;
            for (int c : codesGoingWith(target, removed))
                if (c < 0 || c > 255 || !codes.changed[size_t(c)]) going.push_back(c);
            for (int c : going) codes.changed[size_t(c)] = true;
            if (!going.empty())
                warning = "glyph-export: warning: " + req.target + ": the glyphs of codes " +
                          codeList(going) + " are composites built on a glyph that goes (code " +
                          codeList(removed) + "), so they were removed too";
        }
    }
    // The script goes to the plug-in in the environment this process shares with it.
    if (!req.uiScript.empty()) {
        platform::setEnvironmentValue(kScriptFileVariable, req.uiScript.c_str());
        platform::setEnvironmentValue(kScriptTextVariable, nullptr);
    } else {
        platform::setEnvironmentValue(kScriptFileVariable, nullptr);
        platform::setEnvironmentValue(kScriptTextVariable, dialogScript(choices, newFont).c_str());
    }
    return true;
}

// What the plug-in said about one export (platform::reportExportOutcome).
struct Outcome {
    std::string word;  // "written", "cancelled", "failed", or "" when nothing was said
    bool savedEarlier = false;
    int code = -1;  // where a written glyph went, when said
};

Outcome parseOutcome(const std::string& text) {
    Outcome o;
    std::istringstream in(text);
    in >> o.word;
    for (std::string w; in >> w;) {
        if (w == "saved") o.savedEarlier = true;
        if (w == "code" && in >> w && !w.empty() && w.size() <= 3 && allDigits(w))
            o.code = std::atoi(w.c_str());
    }
    if (o.code > 255) o.code = -1;
    return o;
}

// One shape through FilterEntry, exactly as a drawing program exports it, into `target`.
struct ShapeResult {
    RunStatus status = RunStatus::Failed;
    bool savedEarlier = false;  // the Options dialog's immediate save changed the font
    bool reported = false;      // the reason is on standard error already
};

ShapeResult exportShape(const RunRequest& req, const Plugin& plugin, const std::string& target,
                        const std::string& shapePath, FontCodes& codes) {
    ShapeResult result;
    LoadedShape shape;
    if (!loadShape(req, shapePath, shape)) return result.reported = true, result;
    if (isEmptyShape(shape)) {
        std::fprintf(stderr,
                     "glyph-export: %s: the shape is empty (no points that draw); nothing "
                     "was exported\n",
                     shapePath.c_str());
        return result.reported = true, result;
    }

    ExportJob job;
    job.fileMode = req.kind != TargetKind::Symbol;
    job.target = target;
    job.objects = std::move(shape.objects);
    job.iniPath = req.iniPath;

    int code = 0;
    bool usage = false;
    std::string warning;
    if (job.fileMode &&
        !prepareDialogs(req, shape, shapePath, target, codes, code, usage, warning)) {
        if (usage) result.status = RunStatus::Usage;
        return result.reported = true, result;
    }
    // The plug-in answers a written glyph and a cancelled dialog alike; it says which.
    platform::setEnvironmentValue(
        "GLYPH_EXPORT_OUTCOME",
        (std::string(platform::kOutcomeVariablePrefix) + kOutcomeLineVariable).c_str());
    platform::setEnvironmentValue(kOutcomeLineVariable, nullptr);
    const ExportOutcome outcome = runExport(plugin, job);
    const Outcome said = parseOutcome(platform::environmentValue(kOutcomeLineVariable));
    for (const char* v :
         {"GLYPH_EXPORT_OUTCOME", kOutcomeLineVariable, kScriptFileVariable, kScriptTextVariable})
        platform::setEnvironmentValue(v, nullptr);
    if (!outcome.loaded) {
        std::fprintf(stderr, "glyph-export: %s\n", outcome.loadError.c_str());
        return result.reported = true, result;
    }
    result.savedEarlier = said.savedEarlier;
    if (!outcome.beginResult) return result;
    if (said.word == "cancelled") {
        result.status = RunStatus::Cancelled;
        return result;
    }
    if (said.word != "written" || !outcome.finishResult) return result;
    result.status = RunStatus::Written;
    if (!warning.empty()) std::fprintf(stderr, "%s\n", warning.c_str());
    // The font changed: what the next shape must know about its codes.
    codes.written = true;
    if (code <= 0) code = said.code;  // the dialog's own proposal, as the plug-in says
    for (int d : req.dialog.deleteCodes)
        if (d >= 0 && d <= 255) codes.changed[size_t(d)] = true;
    if (code > 0 && code <= 255) codes.changed[size_t(code)] = true;
    if (code > 0 && code <= 255 && codes.known) {
        codes.occupied[size_t(code)] = true;
        for (int d : req.dialog.deleteCodes)
            if (d != code && d >= 0 && d <= 255) codes.occupied[size_t(d)] = false;
    } else {
        codes.known = false;
    }
    return result;
}

// Shapes exported one by one into the target itself (one shape, or symbol mode).
RunStatus runSingly(const RunRequest& req, const Plugin& plugin) {
    const bool progress = req.shapes.size() > 1 && isatty(fileno(stderr));
    FontCodes codes;
    for (size_t i = 0; i < req.shapes.size(); ++i) {
        const std::string& shapePath = req.shapes[i];
        if (progress)
            std::fprintf(stderr, "[%zu/%zu] %s\n", i + 1, req.shapes.size(), shapePath.c_str());
        const ShapeResult r = exportShape(req, plugin, req.target, shapePath, codes);
        if (r.status == RunStatus::Written) continue;
        if (!r.reported) {
            const char* earlier = r.savedEarlier
                                      ? "; the changes made in the Options dialog (deleted "
                                        "characters, widths, metrics) were saved before that"
                                      : "; nothing was written";
            std::fprintf(stderr, "glyph-export: %s: the export %s%s\n", shapePath.c_str(),
                         r.status == RunStatus::Cancelled ? "was cancelled" : "failed", earlier);
        }
        return r.status;
    }
    return RunStatus::Written;
}

// Where a killed batch left its working folder beside the font: removed when the
// process that made it runs no more.
void removeStaleWorkFolders(const std::string& dir) {
#ifndef _WIN32
    const std::string kind = ".gxbatch-";
    for (const std::string& name : platform::listDirectory(dir)) {
        if (name.compare(0, kind.size(), kind) != 0) continue;
        const size_t dash = name.find('-', kind.size());
        if (dash == std::string::npos || dash == kind.size() || name.size() != dash + 7) continue;
        const std::string pidText = name.substr(kind.size(), dash - kind.size());
        if (!allDigits(pidText) || pidText.size() > 9) continue;
        const pid_t pid = static_cast<pid_t>(std::atol(pidText.c_str()));
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
            platform::removeFolder(dir + "/" + name);
    }
#else
    (void)dir;
#endif
}

bool copyInto(const std::string& from, const std::string& to) {
    std::string bytes;
    if (!platform::readWholeFile(from, bytes, size_t(1) << 30)) return false;
    return writeWholeFile(to, bytes);
}

std::string joinList(const std::vector<std::string>& items) {
    std::string s;
    for (const std::string& i : items) s += (s.empty() ? "" : " ") + i;
    return s;
}

// Several shapes into one font file, as one transaction: every shape goes through
// FilterEntry into a working copy of the font in a folder beside it (saved there without
// syncs), and the font (with its AFM and PFM) is replaced once at the end, through the
// same save as a single export, so the .bak is the font as it was before the batch. The
// font stays locked against other writers for the whole batch.
RunStatus runBatch(const RunRequest& req, const Plugin& plugin) {
    const bool type1 = req.kind == TargetKind::Type1;
    const std::string& font = req.target;
    long long size = 0;
    const PathKind kind = pathKind(font, size);
    if (kind == PathKind::Other) {
        std::fprintf(stderr, "glyph-export: %s: not a font file (a folder or a device)\n",
                     font.c_str());
        return RunStatus::Failed;
    }
    const bool existed = kind == PathKind::File;
    const bool newFont = !existed || (type1 && size == 0);
    const char* tempPrefix = type1 ? kType1TempPrefix : tt::kTempPrefix;
    const std::string afm = companionPath(font, ".afm");
    const std::string pfm = companionPath(font, ".pfm");
    const std::string bak = companionPath(font, ".bak");

    std::unique_ptr<platform::FontFile> held;
    if (existed) {
        std::string detail;
        held = platform::openForUpdate(font, tempPrefix, {bak, afm, pfm}, detail);
        if (!held) {
            std::fprintf(stderr,
                         "glyph-export: %s: cannot open the font for update (another program "
                         "may be writing it); nothing was written\n",
                         font.c_str());
            if (!detail.empty()) std::fprintf(stderr, "%s\n", detail.c_str());
            return RunStatus::Failed;
        }
    }
    const std::string dir = platform::directoryOf(platform::resolvePath(font));
    removeStaleWorkFolders(dir);
    const std::string work = platform::createTempFolderIn(dir, "." + hostTempPrefix("gxbatch"));
    if (work.empty()) {
        std::fprintf(stderr,
                     "glyph-export: cannot make a working folder in %s; nothing was written\n",
                     dir.c_str());
        return RunStatus::Failed;
    }
    const std::string workFont = work + "/" + baseName(font);
    const std::string workAfm = companionPath(workFont, ".afm");
    const std::string workPfm = companionPath(workFont, ".pfm");
    auto finish = [&](RunStatus status) {
        for (const char* v : {platform::kNoSyncFolderVariable, platform::kHoldSettingsVariable})
            platform::setEnvironmentValue(v, nullptr);
        platform::removeFolder(work);
        return status;
    };
    bool copied = true;
    if (existed) {
        std::string bytes;
        copied = readHeld(*held, bytes) && writeWholeFile(workFont, bytes);
        if (copied && type1 && !newFont) {
            for (const auto& [from, to] : {std::pair{afm, workAfm}, std::pair{pfm, workPfm}})
                if (platform::FontFile::exists(from)) copied = copied && copyInto(from, to);
        }
    }
    if (!copied) {
        std::fprintf(stderr,
                     "glyph-export: %s: cannot copy the font into %s; nothing was written\n",
                     font.c_str(), work.c_str());
        return finish(RunStatus::Failed);
    }

    // The working copy is not worth a sync; the settings are written once, by the last export.
    platform::setEnvironmentValue(platform::kNoSyncFolderVariable, work.c_str());
    const std::string batchId = baseName(work);
    const bool progress = isatty(fileno(stderr));
    FontCodes codes;
    // A new font holds no code yet; the outcomes tell the codes the shapes take.
    codes.known = newFont;
    std::vector<std::string> done;
    for (size_t i = 0; i < req.shapes.size(); ++i) {
        const std::string& shapePath = req.shapes[i];
        const bool last = i + 1 == req.shapes.size();
        platform::setEnvironmentValue(platform::kHoldSettingsVariable,
                                      (last ? batchId + " end" : batchId).c_str());
        if (progress)
            std::fprintf(stderr, "[%zu/%zu] %s\n", i + 1, req.shapes.size(), shapePath.c_str());
        const ShapeResult r = exportShape(req, plugin, workFont, shapePath, codes);
        if (r.status != RunStatus::Written) {
            std::fprintf(stderr,
                         "glyph-export: %s: the export %s (shape %zu of %zu); nothing was "
                         "written: %s is as it was\n",
                         shapePath.c_str(),
                         r.status == RunStatus::Cancelled ? "was cancelled" : "failed", i + 1,
                         req.shapes.size(), font.c_str());
            std::fprintf(stderr, "shapes done before it: %s\n",
                         done.empty() ? "none" : joinList(done).c_str());
            return finish(r.status);
        }
        done.push_back(shapePath);
    }
    platform::setEnvironmentValue(platform::kNoSyncFolderVariable, nullptr);

    std::string fontBytes, afmBytes, pfmBytes;
    bool read = platform::readWholeFile(workFont, fontBytes, size_t(1) << 30);
    if (type1)
        read = read && platform::readWholeFile(workAfm, afmBytes, size_t(1) << 30) &&
               platform::readWholeFile(workPfm, pfmBytes, size_t(1) << 30);
    if (!read) {
        std::fprintf(stderr,
                     "glyph-export: %s: cannot read the batch's font back from %s; "
                     "nothing was written\n",
                     font.c_str(), work.c_str());
        return finish(RunStatus::Failed);
    }
    platform::SavePlan plan;
    plan.tempPrefix = tempPrefix;
    plan.files.push_back({font, fontBytes.data(), fontBytes.size()});
    if (type1) {
        plan.files.push_back({afm, afmBytes.data(), afmBytes.size()});
        plan.files.push_back({pfm, pfmBytes.data(), pfmBytes.size()});
    }
    plan.createFirst = !held;
    if (held && !newFont) plan.backupPath = bak;
    const platform::SaveResult saved = platform::saveFiles(plan, held);
    held.reset();
    if (!saved.ok) {
        if (saved.unchanged) {
            std::fprintf(stderr, "glyph-export: %s: cannot save the font; nothing was written\n",
                         font.c_str());
            std::fprintf(stderr, "%s\n", saved.detail.c_str());
            return finish(RunStatus::Failed);
        }
        // Not every file is where it was: the batch's font is kept too.
        std::fprintf(stderr, "glyph-export: %s: the save failed part way\n%s\n", font.c_str(),
                     saved.detail.c_str());
        std::fprintf(stderr, "the font the batch made is in %s\n", workFont.c_str());
        for (const char* v : {platform::kNoSyncFolderVariable, platform::kHoldSettingsVariable})
            platform::setEnvironmentValue(v, nullptr);
        return RunStatus::Failed;
    }
    return finish(RunStatus::Written);
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
        existed_ = !path_.empty() && platform::FontFile::exists(path_);
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
        if (existed_ && platform::FontFile::exists(backup))
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
    // A console program never waits behind a message box: the plug-ins print
    // "Caption: text" instead. With --dialogs a person answers the real ones.
    platform::setEnvironmentValue("GLYPH_EXPORT_MESSAGES", req.showDialogs ? nullptr : "console");
    platform::setEnvironmentValue("GLYPH_EXPORT_DIALOGS", req.showDialogs ? "person" : nullptr);
    // The questions the options already answered are shown only when asked for.
    platform::setEnvironmentValue("GLYPH_EXPORT_QUIET", req.verbose ? "0" : "1");
    // Only a batch of this process may ask the plug-ins to skip syncs or hold settings.
    for (const char* v : {platform::kNoSyncFolderVariable, platform::kHoldSettingsVariable})
        platform::setEnvironmentValue(v, nullptr);
    // Loaded once, however many shapes follow.
    const Plugin plugin = loadPlugin(req.pluginDir + "/" + pluginFileName(truetype));
    if (!plugin.entry) {
        std::fprintf(stderr, "glyph-export: %s\n", plugin.error.c_str());
        return RunStatus::Failed;
    }
    WrittenReport report(req);
    const RunStatus status = req.kind != TargetKind::Symbol && req.shapes.size() > 1
                                 ? runBatch(req, plugin)
                                 : runSingly(req, plugin);
    if (status == RunStatus::Written) report.print();
    return status;
}

}  // namespace gx::host
