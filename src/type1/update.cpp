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
        return Type1ReadStatus::BadProgram;
    }
    file.seek(0, platform::SeekOrigin::Begin);
    if (!readType1Program(bytes.data(), bytes.size(), s, settings, error))
        return Type1ReadStatus::BadProgram;
    const std::string afmPath = companionPath(fontPath, ".afm");
    if (!platform::FontFile::exists(afmPath)) return Type1ReadStatus::Ok;
    std::string text;
    if (!platform::readWholeFile(afmPath, text, kMaxAfmBytes)) {
        error = afmPath + ": cannot be read or is too large";
        return Type1ReadStatus::BadMetrics;
    }
    if (!readAfmText(text, AfmMode::KerningOnly, s, settings, error)) {
        error = afmPath + ": " + error;
        return Type1ReadStatus::BadMetrics;
    }
    return Type1ReadStatus::Ok;
}

bool loadAfmMetrics(const std::string& afmPath, Type1FontState& s, const SessionSettings& settings,
                    std::string& error) {
    std::string text;
    if (!platform::readWholeFile(afmPath, text, kMaxAfmBytes)) {
        error = afmPath + ": cannot be read or is too large";
        return false;
    }
    // An empty or binary file is no metrics file, and one that names no value gives
    // nothing to import: both are refused rather than taken as "no metrics".
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || text.compare(first, 16, "StartFontMetrics") != 0) {
        error = afmPath + ": not a font metrics file (it does not begin with StartFontMetrics)";
        return false;
    }
    bool anyValue = false;
    for (const char* key : {"\nAscender", "\nDescender", "\nItalicAngle", "\nUnderlinePosition",
                            "\nUnderlineThickness", "\nCapHeight", "\nXHeight", "\nCharWidth",
                            "\nStartCharMetrics", "\nStartKernPairs"}) {
        size_t at = text.find(key);
        if (at == std::string::npos) at = text.find(std::string("\r") + (key + 1));
        anyValue = anyValue || at != std::string::npos;
    }
    if (!anyValue) {
        error = afmPath + ": holds no metrics to import";
        return false;
    }
    if (!readAfmText(text, AfmMode::Full, s, settings, error)) {
        error = afmPath + ": " + error;
        return false;
    }
    return true;
}

std::unique_ptr<platform::FontFile> openType1ForUpdate(const std::string& fontPath,
                                                       std::string& detail) {
    return platform::openForUpdate(
        fontPath, kType1TempPrefix,
        {companionPath(fontPath, ".bak"), companionPath(fontPath, ".afm"),
         companionPath(fontPath, ".pfm")},
        detail);
}

Type1SaveStatus saveType1Font(Type1FontState& s, const SessionSettings& settings,
                              const std::string& fontPath,
                              std::unique_ptr<platform::FontFile>& openFile, bool keepBackup,
                              std::string& error) {
    const std::string afmPath = companionPath(fontPath, ".afm");
    const std::string pfmPath = companionPath(fontPath, ".pfm");
    const std::string bakPath = companionPath(fontPath, ".bak");
    if (afmPath == fontPath || pfmPath == fontPath || bakPath == fontPath) {
        error = "the font file's name ends like one of its metrics or backup files";
        return Type1SaveStatus::Failed;
    }
    finishFontMetrics(s, settings);
    buildFontNames(s, settings);
    const std::vector<uint8_t> program = buildFontProgram(s, settings);
    const std::string afm = buildAfmFile(s, settings);
    const std::vector<uint8_t> pfm = buildPfmFile(s, settings);
    s.newGlyphProgram.clear();
    s.newGlyphBuilt = false;

    // The three files are one set: all are replaced or none, under the lock of the font.
    platform::SavePlan plan;
    plan.tempPrefix = kType1TempPrefix;
    plan.files.push_back({fontPath, program.data(), program.size()});
    plan.files.push_back({afmPath, afm.data(), afm.size()});
    plan.files.push_back({pfmPath, pfm.data(), pfm.size()});
    plan.createFirst = !openFile;
    if (keepBackup && openFile) plan.backupPath = bakPath;
    const platform::SaveResult r = platform::saveFiles(plan, openFile);
    if (r.ok) return Type1SaveStatus::Ok;
    error = r.detail;
    return r.unchanged ? Type1SaveStatus::Failed : Type1SaveStatus::FailedPartly;
}

}  // namespace gx
