// Replacing a set of files (a font and its companions, or a settings file) so that a
// user can rely on the result: every file is replaced or none is, the previous font is
// kept as the backup, a killed save is undone by the next one, and a failure says
// where each version is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace gx::platform {

struct SaveFile {
    std::string path;  // as the user names it; symbolic links are followed
    const void* data = nullptr;
    size_t size = 0;
};

struct SavePlan {
    // Starts the names of the temporary files, which also carry the first file's name,
    // so that the next save into that file recognises and removes what a killed one left.
    std::string tempPrefix;
    // files[0] is the file the lock stands for (the font); the others are replaced with it.
    std::vector<SaveFile> files;
    // When not empty, the file replaced as files[0] becomes this file.
    std::string backupPath;
    // files[0] is new: it is created, and a file that appeared there meanwhile is never
    // replaced (only used without a held handle).
    bool createFirst = false;
};

struct SaveResult {
    bool ok = false;
    // After a failure: true when every file is as it was before the save.
    bool unchanged = true;
    // After a failure: what went wrong, and where each version is when not all are in place.
    std::string detail;
};

// Runs the save. `held` is the locked handle of files[0] as it was read (null for a new
// file or one nobody locks, such as settings). The file at files[0]'s path must still be
// that file, else nothing is changed. Each new file is written beside its target under
// a temporary name, given the mode of the file it replaces, synced and only then renamed
// over it; the folders are synced after. On success `held` becomes the locked handle of
// the new files[0], so the exclusion lasts as long as the caller keeps it.
SaveResult saveFiles(const SavePlan& plan, std::unique_ptr<FontFile>& held);

// Opens an existing file for update: read-write, locked against other writers, and the
// file its path names once the lock is held. Then undoes a save of it that was killed
// half way and removes the temporary files such a save left (`companions` are the other
// paths saved with it, whose folders are searched too). Null when the file cannot be
// opened or locked; `detail` then says why when it is not simply that.
std::unique_ptr<FontFile> openForUpdate(const std::string& path, const std::string& tempPrefix,
                                        const std::vector<std::string>& companions,
                                        std::string& detail);

// Replaces one file without a lock (the settings file): the same guarantees of
// temporary file, mode, sync and rename.
bool replaceFileContents(const std::string& path, const std::string& tempPrefix,
                         const std::string& contents);

}  // namespace gx::platform
