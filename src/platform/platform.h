// The seams between the engines and the operating system. Engines call only these;
// src/platform/posix and src/platform/win32 implement them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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
    // Flushes and closes; false when buffered data could not be written.
    bool close();
    const std::string& path() const { return path_; }

    struct Impl;

  private:
    FontFile(std::unique_ptr<Impl> impl, std::string path);
    std::unique_ptr<Impl> impl_;
    std::string path_;
};

// Reads a whole file (at most maxBytes); false when it cannot be read or is larger.
bool readWholeFile(const std::string& path, std::string& out, size_t maxBytes = 64u << 20);

// ---------------------------------------------------------------- files

bool deleteFile(const std::string& path);
// Fails when `to` exists (as MoveFile does); callers delete first where they mean to.
bool renameFile(const std::string& from, const std::string& to);
// Creates a new empty file with a unique name in `directory` and returns its path,
// or the empty string.
std::string createTempFileIn(const std::string& directory, const std::string& prefix);
// The directory part of a path ("." when there is none).
std::string directoryOf(const std::string& path);
// The system's temporary directory.
std::string tempDirectory();

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
// A detail that explains a message (file, line, reason), kept out of the message's own
// text: one line of standard error on POSIX, the debugger's output on Windows.
void debugOutput(const std::string& text);

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

}  // namespace gx::platform
