// Files, profile store, messages and host records on POSIX systems.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/common_internal.h"
#include "platform/ini_text.h"
#include "platform/platform.h"
#include "platform/strings_internal.h"
#include "platform/ui_hooks.h"

namespace gx::platform {

bool deleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool renameFile(const std::string& from, const std::string& to) {
    if (renameFails()) return false;
    // Never replace: the caller decides what happens to an existing target.
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0)
        return false;
    // Make the new name durable.
    int dir = ::open(directoryOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::string createTempFileIn(const std::string& directory, const std::string& prefix) {
    std::string pattern = directory + "/" + prefix + "XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
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

int profileGetInt(const std::string& file, const std::string& section, const std::string& key,
                  int defaultValue) {
    std::string text;
    if (file.empty() || !readWholeFile(file, text, 1u << 20)) return defaultValue;
    auto v = iniLookup(text, section, key);
    return v ? iniParseInt(*v) : defaultValue;
}

std::string profileGetString(const std::string& file, const std::string& section,
                             const std::string& key, const std::string& defaultValue) {
    std::string text;
    if (file.empty() || !readWholeFile(file, text, 1u << 20)) return defaultValue;
    auto v = iniLookup(text, section, key);
    return v ? *v : defaultValue;
}

bool profileWriteString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
    if (file.empty()) return false;
    std::string text;
    if (FontFile::exists(file) && !readWholeFile(file, text, 1u << 20)) return false;
    std::string updated = iniSet(text, section, key, value);
    // Replace through a temporary file so a failed write never truncates the settings.
    std::string temp = createTempFileIn(directoryOf(file), ".ini");
    if (temp.empty()) return false;
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    bool ok = f && std::fwrite(updated.data(), 1, updated.size(), f) == updated.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (ok) ok = ::rename(temp.c_str(), file.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
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

void debugOutput(const std::string& text) {
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
