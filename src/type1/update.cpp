#include "type1/update.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/save.h"
#include "type1/afm.h"
#include "type1/charstring.h"
#include "type1/font_program.h"
#include "type1/font_reader.h"
#include "type1/pfm.h"

namespace gx {

namespace {

bool readAll(platform::FontFile& file, std::vector<uint8_t>& out, size_t maxBytes) {
    if (file.seek(0, platform::SeekOrigin::Begin) != 0) return false;
    out.clear();
    uint8_t buffer[16384];
    for (;;) {
        long n = file.read(buffer, long(sizeof buffer));
        if (n < 0) return false;
        if (n == 0) break;
        out.insert(out.end(), buffer, buffer + n);
        if (out.size() > maxBytes) return false;
    }
    return true;
}

}  // namespace

Type1ReadStatus readExistingType1Font(platform::FontFile& file, const std::string& fontPath,
                                      Type1FontState& s, SessionSettings& settings,
                                      std::string& error) {
    std::vector<uint8_t> bytes;
    if (!readAll(file, bytes, kMaxFontProgramBytes)) {
        error = "the font file cannot be read or is too large";
        return Type1ReadStatus::CannotRead;
    }
    file.seek(0, platform::SeekOrigin::Begin);
    if (!readType1Program(bytes.data(), bytes.size(), s, settings, error))
        return Type1ReadStatus::Damaged;
    // Of the AFM beside the font only the kerning pairs are taken; one that cannot be
    // opened or read gives none, as a font without an AFM has none.
    const std::string afmPath = companionPath(fontPath, ".afm");
    switch (readAfmFile(afmPath, AfmMode::KerningOnly, s, settings, error)) {
        case AfmFileStatus::Read:
            break;
        case AfmFileStatus::NotOpened:
            // Said, since the save writes a new AFM in its place.
            if (!error.empty() || platform::FontFile::exists(afmPath))
                platform::reportDetail(afmPath +
                                       ": cannot be read; taken as no kerning pairs and replaced "
                                       "when the font is saved");
            s.kernPairsLoaded = 0;
            s.kerningPairs.clear();
            error.clear();
            break;
        case AfmFileStatus::Refused:
            error = afmPath + ": " + error;
            return Type1ReadStatus::BadMetrics;
    }
    return Type1ReadStatus::Ok;
}

Type1ReadStatus readType1FontBytes(const std::vector<uint8_t>& program, const std::string& afm,
                                   Type1FontState& s, SessionSettings& settings,
                                   std::string& error) {
    if (!readType1Program(program.data(), program.size(), s, settings, error))
        return Type1ReadStatus::Damaged;
    if (!readAfmText(afm, AfmMode::KerningOnly, s, settings, error))
        return Type1ReadStatus::BadMetrics;
    return Type1ReadStatus::Ok;
}

namespace {

// An empty or binary file is no metrics file, and one that names no value gives nothing
// to import: both are refused rather than taken as "no metrics". The keys stand in the
// header, so the file's beginning tells.
bool looksLikeMetrics(const std::string& afmPath, std::string& error) {
    auto file = platform::FontFile::open(afmPath, platform::OpenMode::ReadOnly);
    if (!file) return true;  // the reader says why
    std::string text(size_t(1) << 20, '\0');
    const long got = file->read(&text[0], long(text.size()));
    text.resize(got > 0 ? size_t(got) : 0);
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || text.compare(first, 16, "StartFontMetrics") != 0) {
        error = "not a font metrics file (it does not begin with StartFontMetrics)";
        return false;
    }
    for (const char* key : {"\nAscender", "\nDescender", "\nItalicAngle", "\nUnderlinePosition",
                            "\nUnderlineThickness", "\nCapHeight", "\nXHeight", "\nCharWidth",
                            "\nStartCharMetrics", "\nStartKernPairs"}) {
        if (text.find(key) != std::string::npos ||
            text.find(std::string("\r") + (key + 1)) != std::string::npos)
            return true;
    }
    error = "holds no metrics to import";
    return false;
}

}  // namespace

bool loadAfmMetrics(const std::string& afmPath, Type1FontState& s, const SessionSettings& settings,
                    std::string& error) {
    if (!looksLikeMetrics(afmPath, error)) {
        error = afmPath + ": " + error;
        return false;
    }
    switch (readAfmFile(afmPath, AfmMode::Full, s, settings, error)) {
        case AfmFileStatus::Read:
            return true;
        case AfmFileStatus::NotOpened:
            error = afmPath + ": " + (error.empty() ? "cannot be opened" : error);
            return false;
        case AfmFileStatus::Refused:
            break;
    }
    error = afmPath + ": " + error;
    return false;
}

std::unique_ptr<platform::FontFile> openType1ForUpdate(const std::string& fontPath,
                                                       std::string& detail) {
    return platform::openForUpdate(
        fontPath, kType1TempPrefix,
        {companionPath(fontPath, ".bak"), companionPath(fontPath, ".afm"),
         companionPath(fontPath, ".pfm")},
        detail);
}

namespace {

// The checks buildType1Files makes before it settles anything.
Type1SaveStatus checkSaveable(const SessionSettings& settings, const std::string& fontPath,
                              std::string& error) {
    const std::string afmPath = companionPath(fontPath, ".afm");
    const std::string pfmPath = companionPath(fontPath, ".pfm");
    const std::string bakPath = companionPath(fontPath, ".bak");
    if (afmPath == fontPath || pfmPath == fontPath || bakPath == fontPath) {
        error = "the font file's name ends like one of its metrics or backup files";
        return Type1SaveStatus::Failed;
    }
    if (!familyNameIsPlainAscii(settings.familyName)) {
        error = "the family name \"" + settings.familyName +
                "\" holds characters outside printable ASCII";
        return Type1SaveStatus::Failed;
    }
    return Type1SaveStatus::Ok;
}

// A name the program's reader takes back as it was written: one short token.
bool plainName(const std::string& name) {
    // The bytes a name token may hold: printable ASCII but for the delimiters.
    static const std::array<bool, 256> plain = [] {
        std::array<bool, 256> table{};
        for (int c = 33; c < 127; ++c) table[size_t(c)] = !std::strchr("[]{}()<>/%", c);
        return table;
    }();
    if (name.empty() || name.size() > 100) return false;
    for (unsigned char c : name)
        if (!plain[c]) return false;
    return name.size() < 12 || name.find("EndKernPairs") == std::string::npos;
}

// codeForGlyphName over a settled name table, looked up instead of compared 224 times.
// The table of the built-in names is looked up through one map made once.
class GlyphCodes {
  public:
    using FirstCodes = std::unordered_map<std::string_view, int>;

    GlyphCodes(const Type1FontState& s, bool builtinNames) : s_(s), builtin_(builtinNames) {
        if (!builtinNames) own_ = firstCodes(s.glyphNameTable);
    }
    int operator()(const std::string& name) const {
        if (std::string_view(name) == ".notdef") return 0;
        const FirstCodes& first = builtin_ ? builtinFirstCodes() : own_;
        int code = kUnknownGlyphCode;
        const auto it = first.find(name);
        if (it != first.end()) code = it->second;
        // A code without a name is called "c" and its number.
        const int numbered = cNameCode(name);
        if (numbered >= 32 && numbered <= 255 && numbered < code &&
            s_.glyphNameTable[size_t(numbered) - 32].empty())
            code = numbered;
        return code;
    }

  private:
    static FirstCodes firstCodes(const std::vector<std::string>& table) {
        FirstCodes first;
        for (int code = 32; code <= 255; ++code) {
            const std::string& name = table[size_t(code) - 32];
            if (!name.empty()) first.emplace(name, code);
        }
        return first;
    }
    static const FirstCodes& builtinFirstCodes() {
        static const Type1FontState builtin;
        static const FirstCodes first = firstCodes(builtin.glyphNameTable);
        return first;
    }

    const Type1FontState& s_;
    const bool builtin_;
    FirstCodes own_;
};

// The reader's steps (readType1Program and the AFM's kerning) over what the writer
// would write; every refusal of the reader makes this uncertain instead.
// Once it is certain, the programs move from `entries` into the read-back, and with
// `takePrograms` those of the kept glyphs from `s`.
bool readBackOf(Type1FontState& s, const SessionSettings& settings,
                std::vector<GlyphEntry>& entries, Type1ReadBack& out, bool takePrograms) {
    Type1FontState& r = out.font;
    r = Type1FontState();
    // The clear text: FontMatrix, FontBBox, FamilyName, Weight, ItalicAngle, Encoding.
    r.llx = s.llx, r.lly = s.lly, r.urx = s.urx, r.ury = s.ury;
    out.familyName = settings.familyName.substr(0, 78);
    out.styleBits = (settings.style & 1) ? 1 : 0;
    r.italicAngle = s.italicAngle;
    if (s.italicAngle != 0) out.styleBits |= 2;
    r.symbol = s.cNames ? 1 : 0;
    if (s.cNames) {
        for (std::string& name : r.glyphNameTable) name.clear();
        for (int c = 0; c <= 255; ++c) {
            if (c < 32 && s.encodingNames[size_t(c)].empty()) continue;
            const std::string name = c < 32 ? s.encodingNames[size_t(c)] : fileGlyphName(s, c);
            if (!plainName(name)) return false;
            if (name == ".notdef") continue;
            r.encodingNames[size_t(c)] = name;
            if (c >= 32) r.glyphNameTable[size_t(c) - 32] = name;
        }
    }
    // The Private dictionary up to the CharStrings, its lenIV and Subrs.
    const bool existing = s.existingFont;
    if (existing) {
        r.preservedPrivateText = s.preservedPrivateText;
        r.lenIV = s.lenIV;
        r.subrPrograms = s.subrPrograms;
    } else {
        r.preservedPrivateText = newFontPrivateText();
        r.lenIV = 4;
        r.subrPrograms.assign(4, std::vector<uint8_t>{11});
    }
    // The CharStrings, in the order written.
    // Without the "c" names the read-back keeps the built-in name table.
    const GlyphCodes codeForName(r, !s.cNames);
    const CharStringStyle style = existing ? s.charStringStyle : CharStringStyle::RD;
    const size_t lead = r.lenIV > 0 ? size_t(r.lenIV) : 0;
    // Names without a code, checked for twins once all are known: an existing font may
    // hold hundreds, and a tree of copies of them was about half of a held save's work.
    std::vector<std::string_view> unknownNames;
    bool seenNotdef = false;
    size_t total = 0;
    r.preservedGlyphs.reserve(entries.size());
    for (const GlyphEntry& e : entries) {
        const std::vector<uint8_t>& program = e.program();
        const size_t length = lead + program.size();
        if (!plainName(e.name) || length <= lead || length > 65535) return false;
        total += length + e.name.size() + 16;
        if (total > (4u << 20)) return false;
        PreservedGlyph g;
        if (e.kept && e.kept->checked) {
            g.width = e.kept->width;  // the same bytes the reader passed before
        } else {
            std::string why;
            if (!checkCharString(program, why)) return false;
            g.width = charStringWidth(program.data(), program.size());
        }
        g.checked = true;
        g.code = codeForName(e.name);
        if (g.code <= 255) {
            if (r.glyphPresent[size_t(g.code)] || (g.code == 0 && seenNotdef)) return false;
            if (g.code == 0)
                seenNotdef = true;
            else
                r.glyphPresent[size_t(g.code)] = 1;
            r.widths[size_t(g.code)] = g.width;
        } else {
            unknownNames.push_back(e.name);
            ++r.unknownGlyphCount;
        }
        r.preservedGlyphs.push_back(std::move(g));
    }
    std::sort(unknownNames.begin(), unknownNames.end());
    if (std::adjacent_find(unknownNames.begin(), unknownNames.end()) != unknownNames.end())
        return false;
    r.charStringStyle = style == CharStringStyle::RD || r.preservedGlyphs.empty()
                            ? CharStringStyle::RD
                            : CharStringStyle::Bar;
    r.existingFont = true;
    // The AFM's kerning, its pairs named as written and sorted.
    if (s.kernPairsLoaded) {
        std::vector<KerningPair> pairs = s.kerningPairs;
        sortKerningPairs(pairs, false);
        if (pairs.size() > 32767) return false;
        r.kernPairsLoaded = 1;
        for (const KerningPair& p : pairs) {
            const std::string left = fileGlyphName(s, p.left), right = fileGlyphName(s, p.right);
            if (!plainName(left) || !plainName(right)) return false;
            r.kerningPairs.push_back(
                {int16_t(codeForGlyphName(r, left)), int16_t(codeForGlyphName(r, right)), p.value});
        }
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        GlyphEntry& e = entries[i];
        PreservedGlyph& g = r.preservedGlyphs[i];
        g.name = std::move(e.name);
        if (!e.kept) {
            g.program = std::move(e.made);
        } else if (takePrograms) {
            PreservedGlyph& from = s.preservedGlyphs[size_t(e.kept - s.preservedGlyphs.data())];
            g.program = std::move(from.program);
            from.checked = false;
        } else {
            g.program = e.kept->program;
        }
    }
    return true;
}

}  // namespace

Type1SaveStatus buildType1Files(Type1FontState& s, const SessionSettings& settings,
                                const std::string& fontPath, Type1Files& files,
                                std::string& error) {
    const Type1SaveStatus ok = checkSaveable(settings, fontPath, error);
    if (ok != Type1SaveStatus::Ok) return ok;
    finishFontMetrics(s, settings);
    buildFontNames(s, settings);
    const std::vector<GlyphEntry> entries = charStringEntries(s, settings);
    files.program = buildFontProgram(s, settings, entries);
    files.afm = buildAfmFile(s, settings, entries);
    files.pfm = buildPfmFile(s, settings);
    s.newGlyphProgram.clear();
    s.newGlyphBuilt = false;
    return Type1SaveStatus::Ok;
}

Type1SaveStatus type1ReadBackOfSave(Type1FontState& s, const SessionSettings& settings,
                                    const std::string& fontPath, Type1ReadBack& out, bool& certain,
                                    Type1Files& files, std::string& error, bool takePrograms) {
    certain = false;
    const Type1SaveStatus ok = checkSaveable(settings, fontPath, error);
    if (ok != Type1SaveStatus::Ok) return ok;
    finishFontMetrics(s, settings);
    buildFontNames(s, settings);
    std::vector<GlyphEntry> entries = charStringEntries(s, settings);
    certain = readBackOf(s, settings, entries, out, takePrograms);
    if (!certain) {
        files.program = buildFontProgram(s, settings, entries);
        files.afm = buildAfmFile(s, settings, entries);
        files.pfm = buildPfmFile(s, settings);
    }
    s.newGlyphProgram.clear();
    s.newGlyphBuilt = false;
    return Type1SaveStatus::Ok;
}

void applyType1ReadBack(Type1ReadBack&& readBack, Type1FontState& s, SessionSettings& settings) {
    s = std::move(readBack.font);
    settings.gridSize = 1000;
    settings.familyName = readBack.familyName;
    settings.style = uint8_t(settings.style | readBack.styleBits);
    settings.symbolFont = s.symbol;
    if (s.glyphPresent[32]) settings.spaceWidth = s.widths[32];
}

Type1SaveStatus saveType1Font(Type1FontState& s, const SessionSettings& settings,
                              const std::string& fontPath,
                              std::unique_ptr<platform::FontFile>& openFile, bool keepBackup,
                              std::string& error) {
    Type1Files files;
    const Type1SaveStatus built = buildType1Files(s, settings, fontPath, files, error);
    if (built != Type1SaveStatus::Ok) return built;
    const std::string afmPath = companionPath(fontPath, ".afm");
    const std::string pfmPath = companionPath(fontPath, ".pfm");
    const std::string bakPath = companionPath(fontPath, ".bak");

    // The three files are one set: all are replaced or none, under the lock of the font.
    platform::SavePlan plan;
    plan.tempPrefix = kType1TempPrefix;
    plan.files.push_back({fontPath, files.program.data(), files.program.size()});
    plan.files.push_back({afmPath, files.afm.data(), files.afm.size()});
    plan.files.push_back({pfmPath, files.pfm.data(), files.pfm.size()});
    plan.createFirst = !openFile;
    if (keepBackup && openFile) plan.backupPath = bakPath;
    const platform::SaveResult r = platform::saveFiles(plan, openFile);
    if (r.ok) return Type1SaveStatus::Ok;
    error = r.detail;
    return r.unchanged ? Type1SaveStatus::Failed : Type1SaveStatus::FailedPartly;
}

}  // namespace gx
