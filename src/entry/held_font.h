// A font kept in memory across the exports of one batch (platform::currentBatch). The
// host replaces the real font once at the end of a batch from a working copy that only
// it and this process see, so writing that copy after every shape would be wasted: each
// export but the batch's last lays the font out and keeps the bytes here, the next one
// reads them instead of the file, and the last one writes through the ordinary save.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace gx {

struct HeldFont {
    bool valid = false;
    std::string batch;
    std::string path;
    // The file at `path` when the batch first read it (or found none). Any change to it
    // means someone else wrote there, and the held bytes are no longer the font.
    platform::FileStamp stamp;
    std::vector<uint8_t> font;
    std::string metrics;  // the AFM text beside a Type 1 font

    void drop() { *this = HeldFont(); }
    // Whether an export of `batch` into `path`, which now looks like `now`, continues
    // from these bytes.
    bool continues(const std::string& currentBatch, const std::string& target,
                   const platform::FileStamp& now) const {
        return valid && !currentBatch.empty() && currentBatch == batch && target == path &&
               now == stamp;
    }
};

// How one export treats a batch's held font.
struct HoldPlan {
    bool readHeld = false;  // start from the held bytes instead of the file
    bool holdSaves =
        false;  // saves keep the bytes instead of writing (not the batch's last export)
    std::string batch;
    platform::FileStamp stamp;  // the file as the batch found it

    // Decided at begin. Drops `held` when this export may not continue from it.
    static HoldPlan decide(HeldFont& held, const std::string& target, bool fileMode) {
        HoldPlan plan;
        bool last = false;
        plan.batch = fileMode ? platform::currentBatch(&last) : std::string();
        if (plan.batch.empty()) {
            held.drop();
            return plan;
        }
        plan.stamp = platform::fileStamp(target);
        plan.readHeld = held.continues(plan.batch, target, plan.stamp);
        if (plan.readHeld)
            plan.stamp = held.stamp;
        else
            held.drop();
        plan.holdSaves = !last;
        return plan;
    }
};

}  // namespace gx
