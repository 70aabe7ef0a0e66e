// glyph-export: builds fonts from drawings by driving the font-export plug-ins exactly as
// a drawing program does.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli_support.h"
#include "font_info.h"
#include "outline_reader.h"
#include "platform/platform.h"
#include "plugin_host.h"
#include "support/strings.h"
#ifdef GX_HAVE_SPECIMEN
#include "glyph_sheet.h"
#endif

using namespace gx::host;

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 3;

struct Choices {
    std::string charCode;
    std::string width;
    std::string designSize;
    std::string family;
    std::string style;
    bool symbol = false, noSymbol = false;
    int grid = 0;
    int spaceWidth = -1;
    std::string origin;
    bool emFromSvg = false;
    bool noStrokes = false;
    bool replace = false;
    std::vector<std::string> deletes;
    std::vector<std::string> setWidths;
    std::string metrics;
    std::string uiScript;
};

void addDialogOptions(CLI::App* cmd, Choices& c, bool truetype) {
    cmd->add_option("--char", c.charCode,
                    "character code for the glyph: a number (33-255), 0xNN, U+NNNN or a single "
                    "character; with several shapes, codes come from the file names");
    cmd->add_option("--width", c.width, "advance width in font units, or \"auto\"");
    cmd->add_option("--design-size", c.designSize,
                    "the drawing length of one em: a number with a unit (720pt, 10in, 254mm, "
                    "60pc); thousandths of an inch without one");
    cmd->add_option("--origin", c.origin, "glyph origin X,Y in SVG user units (SVG shapes)");
    cmd->add_flag("--em-from-svg", c.emFromSvg, "design size = the SVG's viewBox height");
    cmd->add_flag("--no-strokes", c.noStrokes,
                  "refuse SVG shapes without a fill instead of exporting the outline of "
                  "their stroke");
    cmd->add_flag("--replace", c.replace,
                  "replace the glyph a code already holds (otherwise the export stops)");
    // One value each time, so that a shape file after them is never taken for a code.
    cmd->add_option("--delete", c.deletes, "delete a character of an existing font (repeatable)")
        ->expected(1)
        ->allow_extra_args(false)
        ->take_all();
    cmd->add_option("--set-width", c.setWidths,
                    "set a character's width in an existing font: CODE=N (repeatable)")
        ->expected(1)
        ->allow_extra_args(false)
        ->take_all();
    cmd->add_option("--metrics", c.metrics,
                    "import widths, kerning and font metrics from an AFM file (existing font)");
    cmd->add_option("--ui-script", c.uiScript,
                    "play this dialog script instead of one made from the options");
    cmd->add_option("--family", c.family,
                    "family name of a new font (plain ASCII, at most 80 characters)");
    cmd->add_option("--style", c.style, "style of a new font: normal, bold, italic, bolditalic")
        ->check(CLI::IsMember({"normal", "bold", "italic", "bolditalic"}, CLI::ignore_case));
    cmd->add_flag("--symbol", c.symbol, "make a new font a symbol font");
    cmd->add_flag("--no-symbol", c.noSymbol, "make a new font a text font");
    // A Type 1 font's grid is always 1000 units per em.
    if (truetype)
        cmd->add_option("--grid", c.grid, "grid size (units per em) of a new font, 16 to 16383")
            ->check(CLI::Range(1, 65535));
    cmd->add_option("--space-width", c.spaceWidth, "space width of a new font, in font units")
        ->check(CLI::Range(0, 32767));
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "glyph-export: adds shapes drawn in SVG (or given as outline text) as glyphs to "
        "TrueType and Type 1 fonts, through the font-export plug-ins."};
    app.set_version_flag("--version", std::string("glyph-export ") + kVersion);
    app.require_subcommand(1);

    std::string config;
    std::string pluginDir;
    app.add_option("--config", config,
                   "settings file (default: $XDG_CONFIG_HOME/glyph-export/glyph-export.ini)");
    app.add_option("--plugin-dir", pluginDir, "where the plug-in libraries are");
    bool showDialogs = false;
#ifdef _WIN32
    app.add_flag("--dialogs", showDialogs,
                 "show the plug-ins' dialogs and message boxes for you to fill in and answer; "
                 "the options only give the dialogs their starting values");
#endif
    bool verbose = false;
    app.add_flag("--verbose,-v", verbose,
                 "show the plug-ins' dialog conversation (the questions the options answer)");

    std::string font, family;
    std::vector<std::string> shapes;
    Choices choices;

    CLI::App* ttf = app.add_subcommand("ttf", "add shapes to a TrueType font file");
    ttf->add_option("FONT", font, "the TrueType font (.ttf), created when missing")->required();
    ttf->add_option("SHAPE", shapes, "shape files (.svg or .outline)")->required();
    addDialogOptions(ttf, choices, true);

    CLI::App* type1 = app.add_subcommand("type1", "add shapes to a Type 1 font (PFB, AFM, PFM)");
    type1->add_option("FONT", font, "the font program (.pfb); FONT.afm and FONT.pfm go beside it")
        ->required();
    type1->add_option("SHAPE", shapes, "shape files (.svg or .outline)")->required();
    addDialogOptions(type1, choices, false);

    CLI::App* symbol = app.add_subcommand(
        "symbol", "add shapes to an installed symbol font at the first free codes, and install it");
    symbol->add_option("FAMILY", family, "the family name (at most 59 characters used)")
        ->required();
    symbol->add_option("SHAPE", shapes, "shape files (.svg or .outline)")->required();

    std::string infoFont;
    bool infoJson = false;
    CLI::App* info = app.add_subcommand("info", "list what a TrueType or Type 1 font holds");
    info->add_option("FONT", infoFont, "the font (.ttf, .pfb, .pfa)")->required();
    info->add_flag("--json", infoJson, "print one JSON object, for scripts");

    std::string specimenFont, specimenPng;
    CLI::App* specimen = app.add_subcommand(
        "specimen", "draw every glyph of a font in a grid, with code, character and width (PNG)");
    specimen->add_option("FONT", specimenFont, "the font (.ttf, .pfb, .pfa)")->required();
    specimen->add_option("-o,--output", specimenPng, "the picture to write (.png)")->required();

    // --config, --plugin-dir and --verbose may stand after the command too.
    for (CLI::App* sub : {ttf, type1, symbol, info, specimen}) sub->fallthrough();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? 0 : kExitUsage;
    }

    if (*info) return printFontInfo(infoFont, infoJson) ? kExitWritten : kExitFailed;
    if (*specimen) {
#ifdef GX_HAVE_SPECIMEN
        if (!writeSpecimen(specimenFont, specimenPng)) return kExitFailed;
        std::printf("Specimen of %s written to %s\n", specimenFont.c_str(), specimenPng.c_str());
        return kExitWritten;
#else
        std::fprintf(stderr, "glyph-export: this build draws no specimens (no FreeType)\n");
        return kExitFailed;
#endif
    }

    RunRequest req;
    req.iniPath = config.empty() ? defaultConfigPath() : config;
    req.pluginDir = pluginDir.empty() ? pluginDirectory(argv[0]) : pluginDir;
    req.shapes = shapes;
    req.showDialogs = showDialogs;
    req.verbose = verbose;
    if (*ttf || *type1) {
        req.kind = *ttf ? TargetKind::TrueType : TargetKind::Type1;
        req.target = font;
        // An empty name given on purpose (often an unset shell variable) is refused as the
        // Options dialog refuses it, rather than quietly taken from the file name.
        if ((*ttf ? ttf : type1)->count("--family") > 0 && choices.family.empty()) {
            std::fprintf(
                stderr, "%s: %s\n",
                gx::platform::loadString(*ttf ? gx::str::kCaptionTrueType : gx::str::kCaptionType1),
                gx::platform::loadString(gx::str::kInvalidFamilyName));
            return kExitUsage;
        }
        if (choices.symbol && choices.noSymbol) {
            std::fprintf(stderr, "glyph-export: --symbol and --no-symbol exclude each other\n");
            return kExitUsage;
        }
        // The fonts keep family names in 8-bit records, and Type 1 names in ASCII.
        for (char ch : choices.family)
            if (static_cast<unsigned char>(ch) >= 0x80) {
                std::fprintf(stderr,
                             "glyph-export: --family %s: give the family name in plain ASCII "
                             "characters\n",
                             choices.family.c_str());
                return kExitUsage;
            }
        DialogChoices& d = req.dialog;
        d.family = choices.family;
        d.style = choices.style;
        d.symbol = choices.symbol ? 1 : choices.noSymbol ? 0 : -1;
        d.grid = choices.grid;
        d.spaceWidth = choices.spaceWidth;
        std::string error;
        if (!choices.charCode.empty() && !parseCharCode(choices.charCode, d.charCode, error)) {
            std::fprintf(stderr, "glyph-export: --char %s: %s\n", choices.charCode.c_str(),
                         error.c_str());
            return kExitUsage;
        }
        if (!choices.charCode.empty() && shapes.size() > 1) {
            std::fprintf(stderr, "glyph-export: --char names one code; give one shape with it\n");
            return kExitUsage;
        }
        if (!choices.width.empty() && !parseWidth(choices.width, d.width, error)) {
            std::fprintf(stderr, "glyph-export: --width %s: %s\n", choices.width.c_str(),
                         error.c_str());
            return kExitUsage;
        }
        if (!choices.designSize.empty() &&
            !parseDesignSize(choices.designSize, d.designSizeThousandths, error)) {
            std::fprintf(stderr, "glyph-export: --design-size %s: %s\n", choices.designSize.c_str(),
                         error.c_str());
            return kExitUsage;
        }
        if (!choices.origin.empty() &&
            !parseOrigin(choices.origin, req.originX, req.originY, error)) {
            std::fprintf(stderr, "glyph-export: --origin %s: %s\n", choices.origin.c_str(),
                         error.c_str());
            return kExitUsage;
        }
        req.originSet = !choices.origin.empty();
        d.replace = choices.replace;
        for (const std::string& text : choices.deletes) {
            int code = 0;
            if (!parseCharCode(text, code, error)) {
                std::fprintf(stderr, "glyph-export: --delete %s: %s\n", text.c_str(),
                             error.c_str());
                return kExitUsage;
            }
            d.deleteCodes.push_back(code);
        }
        for (const std::string& text : choices.setWidths) {
            int code = 0, width = 0;
            if (!parseCodeWidth(text, code, width, error)) {
                std::fprintf(stderr, "glyph-export: --set-width %s: %s\n", text.c_str(),
                             error.c_str());
                return kExitUsage;
            }
            d.setWidths.emplace_back(code, width);
        }
        d.metricsFile = choices.metrics;
        req.uiScript = choices.uiScript;
        req.emFromSvg = choices.emFromSvg;
        req.noStrokes = choices.noStrokes;
    } else {
        req.kind = TargetKind::Symbol;
        req.target = family;
    }

    switch (runRequest(req)) {
        case RunStatus::Written:
            return kExitWritten;
        case RunStatus::Cancelled:
            return kExitCancelled;
        case RunStatus::Usage:
            return kExitUsage;
        default:
            return kExitFailed;
    }
}
