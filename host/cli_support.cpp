#include "cli_support.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "font_info.h"
#include "outline_reader.h"
#include "platform/platform.h"
#include "plugin_host.h"
#include "support/units.h"

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

// Temporary files of this host carry its process id: "gxui-PID-XXXXXX" (dialog
// scripts) and "gxout-PID-XXXXXX" (outcomes).
std::string hostTempPrefix(const char* kind) {
#ifdef _WIN32
    const long pid = static_cast<long>(GetCurrentProcessId());
#else
    const long pid = static_cast<long>(::getpid());
#endif
    return std::string(kind) + "-" + std::to_string(pid) + "-";
}

// Removes what earlier runs that were killed left in the temporary folder: the
// files of processes that no longer run.
void removeStaleHostFiles() {
#ifndef _WIN32
    const std::string dir = platform::tempDirectory();
    for (const std::string& name : platform::listDirectory(dir)) {
        for (const char* kind : {"gxui-", "gxout-"}) {
            const size_t k = std::strlen(kind);
            if (name.compare(0, k, kind) != 0) continue;
            const size_t dash = name.find('-', k);
            if (dash == std::string::npos || dash == k || name.size() != dash + 7) continue;
            const std::string pidText = name.substr(k, dash - k);
            if (!allDigits(pidText) || pidText.size() > 9) continue;
            const pid_t pid = static_cast<pid_t>(std::atol(pidText.c_str()));
            if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
                std::remove((dir + "/" + name).c_str());
        }
    }
#endif
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

// File mode: turns the options into the dialog script of one export and names it in
// GLYPH_EXPORT_UI_SCRIPT. `scriptPath` is the temporary file made for it, if any.
// False (with a message) when the export must not run.
bool prepareDialogs(const RunRequest& req, const LoadedShape& shape, const std::string& shapePath,
                    std::string& scriptPath) {
    DialogChoices choices = req.dialog;
    if (req.shapes.size() > 1) choices.charCode = codeFromFileName(shapePath);
    if (req.emFromSvg && shape.viewBoxHeightThousandths > 0)
        choices.designSizeThousandths =
            static_cast<int>(std::lround(shape.viewBoxHeightThousandths));
    struct stat st;
    const bool exists = ::stat(req.target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        std::fprintf(stderr, "glyph-export: %s: not a font file (a folder or a device)\n",
                     req.target.c_str());
        return false;
    }
    const bool newFont = !exists || (req.kind == TargetKind::Type1 && st.st_size == 0);
    // A new font needs a family name: the file's own name unless one was given.
    if (newFont && choices.family.empty()) {
        choices.family = baseName(req.target);
        size_t dot = choices.family.rfind('.');
        if (dot != std::string::npos && dot > 0) choices.family.resize(dot);
    }
    if (!newFont && choices.charCode > 0 && !choices.replace &&
        std::find(choices.deleteCodes.begin(), choices.deleteCodes.end(), choices.charCode) ==
            choices.deleteCodes.end() &&
        fontHasCode(req.target, choices.charCode)) {
        std::fprintf(stderr,
                     "glyph-export: %s: code %d already holds a glyph; give --replace to "
                     "replace it\n",
                     req.target.c_str(), choices.charCode);
        return false;
    }
    if (!req.uiScript.empty()) {
        setEnv("GLYPH_EXPORT_UI_SCRIPT", req.uiScript);
        return true;
    }
    scriptPath = platform::createTempFileIn(platform::tempDirectory(), hostTempPrefix("gxui"));
    bool written = false;
    if (!scriptPath.empty()) {
        std::ofstream out(scriptPath, std::ios::binary | std::ios::trunc);
        out << dialogScript(choices, newFont);
        // A full disk shows only when the buffered text goes down.
        out.close();
        written = !out.fail();
    }
    if (!written) {
        std::fprintf(stderr, "glyph-export: cannot write the dialog script in %s\n",
                     platform::tempDirectory().c_str());
        if (!scriptPath.empty()) std::remove(scriptPath.c_str());
        scriptPath.clear();
        return false;
    }
    setEnv("GLYPH_EXPORT_UI_SCRIPT", scriptPath);
    return true;
}

}  // namespace

namespace {

// What the plug-in said about one export (platform::reportExportOutcome).
struct Outcome {
    std::string word;  // "written", "cancelled", "failed", or "" when nothing was said
    bool savedEarlier = false;
};

Outcome readOutcome(const std::string& path) {
    Outcome o;
    std::string text;
    if (path.empty() || !platform::readWholeFile(path, text, 256)) return o;
    std::istringstream in(text);
    std::string second;
    in >> o.word >> second;
    o.savedEarlier = second == "saved";
    return o;
}

}  // namespace

RunStatus runRequest(const RunRequest& req) {
    const bool truetype = req.kind != TargetKind::Type1;
    const std::string plugin = req.pluginDir + "/" + pluginFileName(truetype);
    const bool progress = req.shapes.size() > 1 && isatty(fileno(stderr));
    removeStaleHostFiles();

    for (size_t i = 0; i < req.shapes.size(); ++i) {
        const std::string& shapePath = req.shapes[i];
        LoadedShape shape;
        if (!loadShape(req, shapePath, shape)) return RunStatus::Failed;

        ExportJob job;
        job.pluginPath = plugin;
        job.fileMode = req.kind != TargetKind::Symbol;
        job.target = req.target;
        job.objects = shape.objects;
        job.iniPath = req.iniPath;

        std::string scriptPath;
        if (job.fileMode && !prepareDialogs(req, shape, shapePath, scriptPath))
            return RunStatus::Failed;
        // The plug-in answers a written glyph and a cancelled dialog alike; it says which
        // in this file.
        const std::string outcomePath =
            platform::createTempFileIn(platform::tempDirectory(), hostTempPrefix("gxout"));
        if (outcomePath.empty()) {
            std::fprintf(stderr, "glyph-export: cannot make a temporary file in %s\n",
                         platform::tempDirectory().c_str());
            if (!scriptPath.empty()) std::remove(scriptPath.c_str());
            return RunStatus::Failed;
        }
        setEnv("GLYPH_EXPORT_OUTCOME", outcomePath);
        if (progress)
            std::fprintf(stderr, "[%zu/%zu] %s\n", i + 1, req.shapes.size(), shapePath.c_str());
        ExportOutcome outcome = runExport(job);
        if (!scriptPath.empty()) std::remove(scriptPath.c_str());
        const Outcome said = readOutcome(outcomePath);
        std::remove(outcomePath.c_str());
        if (!outcome.loaded) {
            std::fprintf(stderr, "glyph-export: %s\n", outcome.loadError.c_str());
            return RunStatus::Failed;
        }
        const char* earlier = said.savedEarlier
                                  ? "; the changes made in the Options dialog (deleted "
                                    "characters, widths, metrics) were saved before that"
                                  : "; nothing was written";
        if (!outcome.beginResult) return RunStatus::Failed;
        if (said.word == "cancelled") {
            std::fprintf(stderr, "glyph-export: %s: the export was cancelled%s\n",
                         shapePath.c_str(), earlier);
            return RunStatus::Cancelled;
        }
        if (said.word != "written" || !outcome.finishResult) {
            std::fprintf(stderr, "glyph-export: %s: the export failed%s\n", shapePath.c_str(),
                         earlier);
            return RunStatus::Failed;
        }
    }
    return RunStatus::Written;
}

}  // namespace gx::host
