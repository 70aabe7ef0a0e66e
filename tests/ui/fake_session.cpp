#include "fake_session.h"

namespace gx {
namespace {

struct FakeSnapshot : DialogSession::Snapshot {
    FakeSession::State state;
};

bool inRange(int code) {
    return code >= 0 && code < 256;
}

}  // namespace

bool FakeSession::hasGlyph(int code) const {
    return inRange(code) && state.glyph[size_t(code)];
}

bool FakeSession::deleteMark(int code) const {
    return inRange(code) && state.mark[size_t(code)];
}

void FakeSession::setDeleteMark(int code) {
    if (inRange(code)) state.mark[size_t(code)] = true;
}

int FakeSession::glyphWidth(int code) const {
    return inRange(code) ? state.width[size_t(code)] : 0;
}

void FakeSession::setGlyphWidth(int code, int width) {
    if (inRange(code)) state.width[size_t(code)] = width;
}

std::unique_ptr<DialogSession::Snapshot> FakeSession::takeSnapshot() const {
    auto s = std::make_unique<FakeSnapshot>();
    s->state = state;
    return s;
}

void FakeSession::restoreSnapshot(const Snapshot& snapshot) {
    calls.push_back("restore");
    state = static_cast<const FakeSnapshot&>(snapshot).state;
}

void FakeSession::applySettings(const FontExportSettings& s) {
    calls.push_back("apply");
    applied = s;
}

bool FakeSession::saveFontNow() {
    calls.push_back("save");
    return saveSucceeds;
}

bool FakeSession::reloadFont() {
    calls.push_back("reload");
    return reloadSucceeds;
}

// As the TrueType session does it: the reader's result goes into the imported area,
// failed or not.
MetricsLoad FakeSession::loadFontMetrics(const std::string& path, int gridSize) {
    FontMetricsImport imported = importFontMetrics(path, gridSize);
    mergeImportedWidths(imported, state.importedWidths);
    state.characterMetrics = imported.characterMetrics;
    if (imported.kerning) state.kerning = imported.kerningPairs;
    MetricsLoad r;
    r.status = imported.ok ? MetricsLoad::Loaded : MetricsLoad::Failed;
    r.characterMetrics = imported.ok && imported.characterMetrics;
    r.spaceWidth = state.importedWidths[32];
    return r;
}

}  // namespace gx
