#include "type1/update.h"

#include <vector>

#include "platform/save.h"
#include "type1/afm.h"
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

Type1SaveStatus buildType1Files(Type1FontState& s, const SessionSettings& settings,
                                const std::string& fontPath, Type1Files& files,
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
