// Files, profile store, messages and host records on POSIX systems.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/common_internal.h"
#include "platform/ini_text.h"
#include "platform/platform.h"
#include "platform/save.h"
#include "platform/strings_internal.h"
#include "platform/ui_hooks.h"

namespace gx::platform {
namespace {

constexpr const char* kSettingsTempPrefix = ".ini";

// Temporary files of settings writes that were killed: those of this settings file
// older than a minute (a younger one may belong to a write under way).
void removeStaleSettingsTemporaries(const std::string& file) {
    const std::string real = resolvePath(file);
    const std::string dir = directoryOf(real);
    const size_t slash = real.find_last_of('/');
    const std::string tag = std::string(kSettingsTempPrefix) + "." +
                            (slash == std::string::npos ? real : real.substr(slash + 1)) + ".";
    const time_t now = ::time(nullptr);
    for (const std::string& name : listDirectory(dir)) {
        if (name.size() != tag.size() + 6 || name.compare(0, tag.size(), tag) != 0) continue;
        const std::string path = dir + "/" + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime > 60)
            ::unlink(path.c_str());
    }
}

}  // namespace

bool deleteFile(const std::string& path) {
    if (!saveStep("delete", path)) return false;
    return ::unlink(path.c_str()) == 0;
}

bool renameFile(const std::string& from, const std::string& to) {
    if (renameFails() || !saveStep("rename", to, from)) return false;
    // Never replace: the caller decides what happens to an existing target.
    const int refused = noReplaceRefused() ? (errno = EINVAL, -1)
                                           : ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD,
                                                         to.c_str(), RENAME_NOREPLACE);
    if (refused != 0) {
        // NFS and other file systems refuse the flag: a link, which never replaces,
        // followed by removing the old name does the same.
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
        if (::link(from.c_str(), to.c_str()) != 0) return false;
        ::unlink(from.c_str());
    }
    // The save syncs the folder once all its renames are done (and says when that fails).
    return true;
}

bool replaceFile(const std::string& from, const std::string& to) {
    if (renameFails() || !saveStep("rename", to, from)) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool linkFile(const std::string& from, const std::string& to) {
    if (!saveStep("link", to, from)) return false;
    return ::link(from.c_str(), to.c_str()) == 0;
}

bool syncDirectory(const std::string& directory) {
    if (!syncWanted(directory, true)) return true;
    if (!saveStep("syncdir", directory)) return false;
    int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    bool ok = ::fsync(dir) == 0;
    ::close(dir);
    return ok;
}

std::string resolvePath(const std::string& path) {
    std::string at = path;
    // As many links as the system itself would follow.
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        std::vector<char> buf(size_t(PATH_MAX) + 1);
        ssize_t n = ::readlink(at.c_str(), buf.data(), buf.size() - 1);
        if (n <= 0) return at;
        std::string target(buf.data(), size_t(n));
        at = target[0] == '/' ? target : directoryOf(at) + "/" + target;
    }
    return at;
}

bool fileIdentity(const std::string& path, uint64_t& device, uint64_t& number) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    device = uint64_t(st.st_dev);
    number = uint64_t(st.st_ino);
    return true;
}

FileStamp fileStamp(const std::string& path) {
    FileStamp stamp;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.device = uint64_t(st.st_dev);
    stamp.number = uint64_t(st.st_ino);
    stamp.size = uint64_t(st.st_size);
    stamp.modified = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

std::vector<std::string> listDirectory(const std::string& directory) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(directory.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        ::closedir(d);
    }
    return names;
}

bool renameNeedsClosedTarget() {
    return false;
}

std::string createTempFileIn(const std::string& directory, const std::string& prefix) {
    std::string pattern = directory + "/" + prefix + "XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!saveStep("open", pattern)) return {};
    int fd = ::mkstemp(buf.data());
    if (fd < 0) return {};
    // mkstemp makes the file private; the font that replaces the user's file gets the
    // permissions any new file of theirs would.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    return std::string(buf.data());
}

std::string createTempFolderIn(const std::string& directory, const std::string& prefix) {
    std::string pattern = directory + "/" + prefix + "XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    return ::mkdtemp(buf.data()) ? std::string(buf.data()) : std::string();
}

bool removeFolder(const std::string& folder) {
    for (const std::string& name : listDirectory(folder)) ::unlink((folder + "/" + name).c_str());
    return ::rmdir(folder.c_str()) == 0;
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string tempDirectory() {
    const char* t = std::getenv("TMPDIR");
    return t && *t ? t : "/tmp";
}

// ---------------------------------------------------------------- profile

namespace {

// The settings file held in memory between profileHold and profileFlush.
struct HeldProfile {
    bool active = false;
    std::string file;
    std::string text;
    bool readable = true;  // false: the file exists but could not be read
    bool dirty = false;
    std::string batch;  // the batch it is held for ("" for one run of writes)
};
HeldProfile g_held;

bool isHeld(const std::string& file) {
    return g_held.active && g_held.file == file;
}

// The file's text, from memory when it is held. False when it exists but cannot be read.
bool profileText(const std::string& file, std::string& text) {
    if (isHeld(file)) {
        text = g_held.text;
        return g_held.readable;
    }
    text.clear();
    return !FontFile::exists(file) || readWholeFile(file, text, 1u << 20);
}

bool writeProfileText(const std::string& file, const std::string& text) {
    // Replaced through a synced temporary file, so a failed or killed write never
    // truncates the settings.
    removeStaleSettingsTemporaries(file);
    return replaceFileContents(file, kSettingsTempPrefix, text);
}

// Writes the held text back when it changed, and lets it go.
bool releaseHeld() {
    bool ok = true;
    if (g_held.active && g_held.dirty) ok = writeProfileText(g_held.file, g_held.text);
    g_held = HeldProfile();
    return ok;
}

}  // namespace

namespace {

// The text to read a key from: the held text itself, or the file's read into `storage`.
// Null when the file exists but cannot be read.
const std::string* textToRead(const std::string& file, std::string& storage) {
    if (isHeld(file)) return g_held.readable ? &g_held.text : nullptr;
    return profileText(file, storage) ? &storage : nullptr;
}

}  // namespace

int profileGetInt(const std::string& file, const std::string& section, const std::string& key,
                  int defaultValue) {
    std::string storage;
    const std::string* text = file.empty() ? nullptr : textToRead(file, storage);
    if (!text) return defaultValue;
    auto v = iniLookup(*text, section, key);
    return v ? iniParseInt(*v) : defaultValue;
}

std::string profileGetString(const std::string& file, const std::string& section,
                             const std::string& key, const std::string& defaultValue) {
    std::string storage;
    const std::string* text = file.empty() ? nullptr : textToRead(file, storage);
    if (!text) return defaultValue;
    auto v = iniLookup(*text, section, key);
    return v ? *v : defaultValue;
}

bool profileWriteString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
    if (file.empty()) return false;
    if (isHeld(file)) {
        // A file that could not be read is never overwritten from nothing.
        if (!g_held.readable) return false;
        std::string updated = iniSet(g_held.text, section, key, value);
        // The first write creates the file, as the profile API does, even with no change.
        if (!g_held.dirty && (updated != g_held.text || !FontFile::exists(file)))
            g_held.dirty = true;
        g_held.text = std::move(updated);
        return true;
    }
    std::string text;
    if (!profileText(file, text)) return false;
    return writeProfileText(file, iniSet(text, section, key, value));
}

bool profileHold(const std::string& file) {
    const std::string batch = currentBatch(nullptr);
    if (g_held.active && !g_held.batch.empty() && g_held.batch != batch) {
        // Held for a batch that stopped before its end: what it wrote is not kept, as
        // nothing else of that batch is.
        g_held = HeldProfile();
    }
    if (file.empty() || isHeld(file)) return false;
    releaseHeld();
    g_held.readable = profileText(file, g_held.text);
    g_held.file = file;
    g_held.batch = batch;
    g_held.active = true;
    return true;
}

bool profileFlush() {
    if (!g_held.active) return true;
    bool last = false;
    if (!currentBatch(&last).empty() && !last) return true;
    return releaseHeld();
}

// ---------------------------------------------------------------- strings and messages

const char* loadString(int id) {
    const char* text = compiledString(id);
    return placeInRotatingArea(text ? text : "");
}

int messageBox(const char* text, const char* caption, unsigned flags) {
    // A host that answers the questions itself (glyph-export's options) may ask for them
    // to go unprinted; errors, warnings and notices are always shown.
    const char* quiet = std::getenv("GLYPH_EXPORT_QUIET");
    const bool question = (flags & 0xF) != kMbOk;
    if (!(question && quiet && quiet[0] == '1')) {
        std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
        std::fflush(stderr);
    }
    MessageBoxHandler handler = messageBoxHandler();
    return handler ? handler(text, caption, flags) : defaultMessageBoxAnswer(flags);
}

void reportDetail(const std::string& text) {
    if (text.empty()) return;
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

// ---------------------------------------------------------------- host records

void* allocHostRecord(size_t size) {
    if (hostRecordAllocationFails()) return nullptr;
    return std::calloc(1, size);
}

void freeHostRecord(void* record) {
    std::free(record);
}

void closeSystemHandle(uint32_t handle) {
    ::close(static_cast<int>(handle));
}

}  // namespace gx::platform
