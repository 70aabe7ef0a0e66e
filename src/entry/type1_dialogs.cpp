#include "entry/type1_dialogs.h"

#include "support/strings.h"

namespace gx {
namespace {

struct Type1Snapshot : DialogSession::Snapshot {
    Type1MetricsSnapshot metrics;
};

}  // namespace

std::unique_ptr<DialogSession::Snapshot> Type1DialogSession::takeSnapshot() const {
    auto snap = std::make_unique<Type1Snapshot>();
    snap->metrics = type1TakeSnapshot(s_);
    return snap;
}

void Type1DialogSession::restoreSnapshot(const Snapshot& snapshot) {
    type1RestoreSnapshot(s_, static_cast<const Type1Snapshot&>(snapshot).metrics);
}

bool Type1DialogSession::saveFontNow() {
    std::string error;
    // A failed save leaves the files as they were; a failed re-read leaves the session
    // unable to write (it says so in `error`).
    int message = 0;
    bool done = type1SaveFontNow(s_, error, &message);
    reloaded_ = done;
    if (done) return true;
    showType1Error(message, error);
    return !s_.fontUsable;  // unusable: the save went through but the re-read failed
}

MetricsLoad Type1DialogSession::loadFontMetrics(const std::string& path, int gridSize) {
    MetricsLoad result;
    Type1MetricsLoad load = type1LoadMetrics(s_, path, gridSize);
    if (!load.loaded) {  // the session has said why
        result.status = MetricsLoad::Failed;
        return result;
    }
    result.status = MetricsLoad::Loaded;
    result.characterMetrics = load.characterMetrics;
    result.spaceWidth = load.spaceWidth;
    return result;
}

}  // namespace gx
