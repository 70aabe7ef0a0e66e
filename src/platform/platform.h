// The seams between the engines and the operating system. Engines call only these;
// src/platform/posix and src/platform/win32 implement them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gx::platform {

// ---------------------------------------------------------------- font files

enum class OpenMode {
    ReadOnly,                 // read, others may do anything
    ReadWriteDenyWrite,       // existing file, read-write; a second writer is refused
    CreateReadWriteDenyWrite  // create or truncate, read-write; a second writer is refused
};

enum class SeekOrigin { Begin, Current, End };

// A buffered file stream. Every byte a plug-in writes to disk goes through one,
// so the write-failure injection below reaches every save.
class FontFile {
  public:
    // True when the path names an existing file (the MMIO_EXIST test).
    static bool exists(const std::string& path);
    // Null when the file cannot be opened in that mode.
    static std::unique_ptr<FontFile> open(const std::string& path, OpenMode mode);

    ~FontFile();
    FontFile(const FontFile&) = delete;
    FontFile& operator=(const FontFile&) = delete;

    // Bytes read (0 at the end), or -1 on error.
    long read(void* buffer, long count);
    // Bytes written; less than count means failure.
    long write(const void* buffer, long count);
    // New position, or -1.
    long seek(long offset, SeekOrigin origin);
    long tell() { return seek(0, SeekOrigin::Current); }
    long size();
    bool flush();
    // Flushes and asks the system to put the data on disk.
    bool sync();
    // As sync, but a change that reading the data does not need (a new name of the
    // file) is not waited for: cheap where the data is on disk already.
    bool syncData();
    // Flushes and closes; false when buffered data could not be written.
    bool close();
    // The file's identity (device and file number); false when it cannot be had.
    bool identity(uint64_t& device, uint64_t& number);
    const std::string& path() const { return path_; }

    struct Impl;

  private:
    friend bool copyPermissions(const std::string& model, FontFile& file);
    FontFile(std::unique_ptr<Impl> impl, std::string path);
    std::unique_ptr<Impl> impl_;
    std::string path_;
};

// Reads a whole file (at most maxBytes); false when it cannot be read or is larger.
bool readWholeFile(const std::string& path, std::string& out, size_t maxBytes = 64u << 20);

// ---------------------------------------------------------------- files

bool deleteFile(const std::string& path);
// Fails when `to` exists (as MoveFile does); callers delete first where they mean to.
// The new name is durable once the caller syncs the folder (syncDirectory).
bool renameFile(const std::string& from, const std::string& to);
// Creates a new empty file with a unique name in `directory` and returns its path,
// or the empty string.
std::string createTempFileIn(const std::string& directory, const std::string& prefix);
// Creates a new folder with a unique name starting with `prefix` in `directory` and
// returns its path, or the empty string.
std::string createTempFolderIn(const std::string& directory, const std::string& prefix);
// Removes a folder made by createTempFolderIn and the files in it; false when something
// stays.
bool removeFolder(const std::string& folder);
// The directory part of a path ("." when there is none).
std::string directoryOf(const std::string& path);
// The system's temporary directory.
std::string tempDirectory();

// The save's own steps (see platform/save.h). Each is one system operation and a
// fault point of the test hooks below.
// Renames over an existing `to` in one step, as the replacement of a file must.
bool replaceFile(const std::string& from, const std::string& to);
// A second name for a file; false when `to` exists or the file system has no links.
bool linkFile(const std::string& from, const std::string& to);
// Makes the names in `directory` durable (nothing to do where renames are written through).
bool syncDirectory(const std::string& directory);
// Where a path leads once symbolic links are followed; the path itself when it leads
// nowhere further. A link to a missing file gives the missing file's path.
std::string resolvePath(const std::string& path);
// Identity of the file a path names (links followed); false when there is none.
bool fileIdentity(const std::string& path, uint64_t& device, uint64_t& number);
// What a path names as far as a change to it shows: identity, size and time of the last
// write. Two stamps that compare equal mean the file was not replaced or written between.
struct FileStamp {
    bool exists = false;
    uint64_t device = 0, number = 0, size = 0;
    int64_t modified = 0;  // nanoseconds (POSIX) or 100-nanosecond ticks (Windows)
    bool operator==(const FileStamp& o) const {
        return exists == o.exists && device == o.device && number == o.number && size == o.size &&
               modified == o.modified;
    }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};
FileStamp fileStamp(const std::string& path);
// Gives `file` the permission bits (and, where allowed, owner and group) of `model`.
bool copyPermissions(const std::string& model, FontFile& file);
// The names in a directory ("." and ".." left out); empty when it cannot be read.
std::vector<std::string> listDirectory(const std::string& directory);
// True when the save must close a file before another is renamed over it (Windows).
bool renameNeedsClosedTarget();

// ---------------------------------------------------------------- profile (INI)

// Windows' rules: section and key names compare case-insensitively, other sections
// and keys are kept, the file is created on the first write. An integer value is
// read as GetPrivateProfileInt does: leading decimal digits with an optional sign,
// the default when the key is missing.
int profileGetInt(const std::string& file, const std::string& section, const std::string& key,
                  int defaultValue);
std::string profileGetString(const std::string& file, const std::string& section,
                             const std::string& key, const std::string& defaultValue);
bool profileWriteString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value);
// Keeps the text of `file` in memory from here on: the reads and writes above work on it,
// and profileFlush writes it back once, through the save of platform/save.h, so that a run
// of writes costs one replacement of the file and ends in the same bytes as writing each
// key in turn. True when this call took the hold (and its caller flushes); false when the
// file was held already. Windows writes through its profile API as before: no-ops there.
bool profileHold(const std::string& file);
// Writes the held text back when the writes changed it, and lets it go. During a batch
// (kHoldSettingsVariable) the text stays held instead until the batch's last export
// flushes it; a batch that stops before that never writes it. False when the write failed.
bool profileFlush();

// ---------------------------------------------------------------- environment

// The process environment, which the host and a plug-in share (on Windows every module
// has a C runtime of its own with its own copy, so this uses the Win32 calls there).
// "" when the variable is unset.
std::string environmentValue(const char* name);
// Sets a variable; null removes it.
void setEnvironmentValue(const char* name, const char* value);

// Set by a host running a batch of exports to "ID" (a name of that batch), and to "ID end"
// for its last export: the settings the exports write are held in memory until then.
inline constexpr const char* kHoldSettingsVariable = "GLYPH_EXPORT_HOLD_SETTINGS";
// The batch named there ("" when none), and with `last` whether this export is its last.
// The plug-ins also hold the font a batch's export saved in memory, for the next export
// of the same batch into the same file; the last export writes it.
std::string currentBatch(bool* last = nullptr);
// Set by a host to a folder holding a working copy that it replaces the real files from
// once, durably: saves into that folder skip their syncs (file and folder).
inline constexpr const char* kNoSyncFolderVariable = "GLYPH_EXPORT_NO_SYNC";
// True unless `path` (a file, or with isFolder a folder) lies in the no-sync folder.
bool syncWanted(const std::string& path, bool isFolder);

// ---------------------------------------------------------------- strings

// Loads a string of the plug-in's string table into the shared rotating area; the
// text stays valid across the next several loads. Unknown ids give "".
const char* loadString(int id);

// ---------------------------------------------------------------- user interface

// Message box flags and results, with the Win32 values.
enum : unsigned {
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbYesNoCancel = 0x3,
    kMbYesNo = 0x4,
    kMbIconError = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconWarning = 0x30,
    kMbIconInformation = 0x40,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdYes = 6, kIdNo = 7 };

// Shows a message box with no owner window. POSIX prints "Caption: text" on
// standard error and takes its answer from the scripted user.
int messageBox(const char* text, const char* caption, unsigned flags);
// A detail that helps with a message (file, reason) on a line of its own: standard
// error on POSIX, the debug output on Windows. Never part of a quoted message.
void reportDetail(const std::string& text);

// ---------------------------------------------------------------- export outcome

// What one export came to. FilterEntry answers 1 for a written glyph and for a
// cancelled dialog alike; a host that must tell them apart (glyph-export) names a file
// in the environment variable GLYPH_EXPORT_OUTCOME, and the finish command writes one
// line there: "written", "cancelled" or "failed", followed by " saved" when the
// extended Options dialog's immediate save changed the font before that, and for a
// written glyph " code N", the character code it was written at.
// A host in the same process may name an environment variable instead of a file, as
// "env:NAME": the line is then set as the value of NAME.
inline constexpr std::string_view kOutcomeVariablePrefix = "env:";
enum class ExportOutcome { Written, Cancelled, Failed };
void reportExportOutcome(ExportOutcome outcome, bool savedEarlier, int code = -1);

// ---------------------------------------------------------------- host records

// The two records handed to the host at begin come from the platform allocator
// (GlobalAlloc on Windows); zero-initialised. Null on failure.
void* allocHostRecord(size_t size);
void freeHostRecord(void* record);

// Closes a system file handle the host opened on the target.
void closeSystemHandle(uint32_t handle);

// ---------------------------------------------------------------- test hooks

// Makes every FontFile write fail once `bytes` more bytes were written in total
// (negative: never). For fault-injection tests only.
void injectWriteFailureAfter(long long bytes);
// Makes the n-th following allocHostRecord call fail (0: none).
void injectHostRecordFailure(int nth);
// Makes the n-th following renameFile call fail (0: none).
void injectRenameFailure(int nth);

// Every system operation of a save (open, write, sync, close, link, rename, delete,
// directory sync) is a numbered step. The hooks below count them from the moment they
// are set.
// Makes step n fail as the system would (0: none); with `laterRenamesToo` every rename
// after it fails as well (so putting files back fails).
void injectStepFailure(int n, bool laterRenamesToo = false);
// Kills the process with SIGKILL just before step n (0: none); POSIX only.
void injectKillAtStep(int n);
// Makes renameFile behave as on file systems that refuse RENAME_NOREPLACE (NFS).
void injectNoReplaceRefused(bool refused);
// Steps taken since the last injectStepFailure/injectKillAtStep/resetStepCount.
int stepCount();
void resetStepCount();
// Sees every step: its kind ("write", "sync", "close", "rename", "link", "delete",
// "syncdir", "open"), the path it concerns, and for "rename" and "link" the path it
// starts from. Null removes the observer.
using StepObserver = void (*)(const char* kind, const std::string& path, const std::string& from);
void setStepObserver(StepObserver observer);

}  // namespace gx::platform
