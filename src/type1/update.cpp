#include "type1/update.h"

#include <vector>

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

bool writeAll(platform::FontFile& file, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        long chunk = long(size < 65536 ? size : 65536);
        if (file.write(p, chunk) != chunk) return false;
        p += chunk;
        size -= size_t(chunk);
    }
    return true;
}

// Writes bytes into a new temporary file beside `target`; its path, or "" on failure
// (nothing left behind then).
std::string writeTemporary(const std::string& target, const void* data, size_t size) {
    std::string path = platform::createTempFileIn(platform::directoryOf(target), "AT1");
    if (path.empty()) return path;
    auto file = platform::FontFile::open(path, platform::OpenMode::CreateReadWriteDenyWrite);
    bool ok = file && writeAll(*file, data, size) && file->sync();
    if (file) ok = file->close() && ok;
    if (!ok) {
        file.reset();
        platform::deleteFile(path);
        return std::string();
    }
    return path;
}

// One file being replaced: the new text waits in `temporary`; the old file moves to
// `aside` while the new one takes its name.
struct Replacement {
    std::string temporary, target, aside;
    bool keepAside = false;
    bool movedAside = false;
    bool placed = false;
};

void rollBack(Replacement& r) {
    if (r.placed) {
        platform::deleteFile(r.target);
        r.placed = false;
    }
    if (r.movedAside) {
        platform::renameFile(r.aside, r.target);
        r.movedAside = false;
    }
}

bool place(Replacement& r) {
    if (platform::FontFile::exists(r.target)) {
        if (!r.keepAside) {
            // A unique name beside the target to hold the old file for the moment.
            r.aside = platform::createTempFileIn(platform::directoryOf(r.target), "AT1");
            if (r.aside.empty()) return false;
        }
        platform::deleteFile(r.aside);
        if (!platform::renameFile(r.target, r.aside)) return false;
        r.movedAside = true;
    }
    if (!platform::renameFile(r.temporary, r.target)) {
        rollBack(r);
        return false;
    }
    r.placed = true;
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
                platform::debugOutput(afmPath +
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

bool loadAfmMetrics(const std::string& afmPath, Type1FontState& s, const SessionSettings& settings,
                    std::string& error) {
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

bool saveType1Font(Type1FontState& s, const SessionSettings& settings, const std::string& fontPath,
                   std::unique_ptr<platform::FontFile>& openFile, bool keepBackup,
                   std::string& error) {
    const std::string afmPath = companionPath(fontPath, ".afm");
    const std::string pfmPath = companionPath(fontPath, ".pfm");
    const std::string bakPath = companionPath(fontPath, ".bak");
    if (afmPath == fontPath || pfmPath == fontPath || bakPath == fontPath) {
        error = "the font file's name ends like one of its metrics or backup files";
        return false;
    }
    if (!familyNameIsPlainAscii(settings.familyName)) {
        error = "the family name \"" + settings.familyName +
                "\" holds characters outside printable ASCII";
        return false;
    }
    finishFontMetrics(s, settings);
    buildFontNames(s, settings);
    const std::vector<uint8_t> program = buildFontProgram(s, settings);
    const std::string afm = buildAfmFile(s, settings);
    const std::vector<uint8_t> pfm = buildPfmFile(s, settings);
    s.newGlyphProgram.clear();
    s.newGlyphBuilt = false;

    Replacement files[3];
    files[0].temporary = writeTemporary(fontPath, program.data(), program.size());
    files[1].temporary =
        files[0].temporary.empty() ? "" : writeTemporary(afmPath, afm.data(), afm.size());
    files[2].temporary =
        files[1].temporary.empty() ? "" : writeTemporary(pfmPath, pfm.data(), pfm.size());
    if (files[2].temporary.empty()) {
        for (Replacement& r : files) {
            if (!r.temporary.empty()) platform::deleteFile(r.temporary);
        }
        error = "the font files could not be written";
        return false;
    }
    // The system will not rename a file that is open.
    if (openFile) {
        openFile->close();
        openFile.reset();
    }
    files[0].target = fontPath;
    files[1].target = afmPath;
    files[2].target = pfmPath;
    if (keepBackup) {
        files[0].aside = bakPath;
        files[0].keepAside = true;
    }
    bool ok = true;
    for (int i = 0; i < 3 && ok; ++i) {
        if (!place(files[i])) {
            for (int j = i - 1; j >= 0; --j) rollBack(files[j]);
            ok = false;
        }
    }
    for (Replacement& r : files) {
        if (!r.placed) platform::deleteFile(r.temporary);
        if (ok && !r.keepAside && !r.aside.empty()) platform::deleteFile(r.aside);
        if (!ok && !r.keepAside && !r.aside.empty() && !r.movedAside) platform::deleteFile(r.aside);
    }
    if (!ok) error = "the font files could not be replaced";
    return ok;
}

}  // namespace gx
