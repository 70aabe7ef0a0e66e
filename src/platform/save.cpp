// The save transaction. Order of a save:
//   1. every new file is written under a temporary name beside its target and synced;
//   2. the backup is prepared (a second name of the font being replaced, or a copy);
//   3. each file about to be replaced gets a second name ("aside") to restore it from;
//   4. for a set of several files that replaces one, a journal naming targets, temporary
//      files and asides is written and synced (a new set is renamed with its first file last);
//   5. the temporary files are renamed over their targets, the folders synced;
//   6. the journal is removed (the save has happened), then the asides.
// A failure in 1-4 changes nothing; in 5 the asides are renamed back. A kill in 5 leaves
// the journal, and the next save into the font (which must lock it first) undoes the
// renames from it, so a set is never half replaced. No target is ever missing: every
// rename replaces in one step.
#include "platform/save.h"

#include <algorithm>
#include <cstring>

namespace gx::platform {
namespace {

constexpr size_t kTempSuffixLength = 6;  // the unique part of a temporary name
constexpr const char* kJournalWord = "journal.";
constexpr const char* kJournalMagic = "glyph-export save 1";
constexpr const char* kJournalEnd = "end";

std::string baseNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What starts every temporary name of saves into `resolvedFirst`.
std::string tagFor(const std::string& tempPrefix, const std::string& resolvedFirst) {
    return tempPrefix + "." + baseNameOf(resolvedFirst) + ".";
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (!dir.empty() && (dir.back() == '/' || dir.back() == '\\')) return dir + name;
    return dir + "/" + name;
}

bool sameFile(FontFile& file, const std::string& path) {
    uint64_t d1 = 0, n1 = 0, d2 = 0, n2 = 0;
    if (!file.identity(d1, n1) || !fileIdentity(path, d2, n2) || n1 != n2) return false;
    // Wine reports no volume for a handle whose file was renamed while open; the file
    // number alone then tells, as the two are in one folder.
    return d1 == d2 || d1 == 0 || d2 == 0;
}

bool writeAll(FontFile& file, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const long chunk = long(std::min<size_t>(size, 1u << 20));
        if (file.write(p, chunk) != chunk) return false;
        p += chunk;
        size -= size_t(chunk);
    }
    return true;
}

// A new file with a unique name starting with `tag` in `dir`, holding `data`, synced,
// with the mode of `model` when that exists. Returns its path ("" on failure, nothing
// left behind); `keep` receives the open, locked handle when asked for.
std::string writeTemporary(const std::string& dir, const std::string& tag, const void* data,
                           size_t size, const std::string& model, std::unique_ptr<FontFile>* keep) {
    const std::string path = createTempFileIn(dir, tag);
    if (path.empty()) return path;
    std::unique_ptr<FontFile> file = FontFile::open(path, OpenMode::CreateReadWriteDenyWrite);
    bool ok = file != nullptr;
    if (ok && !model.empty() && FontFile::exists(model)) ok = copyPermissions(model, *file);
    ok = ok && writeAll(*file, data, size) && file->sync();
    if (ok && keep) {
        *keep = std::move(file);
    } else if (file) {
        ok = file->close() && ok;
    }
    if (!ok) {
        if (keep) keep->reset();
        deleteFile(path);
        return std::string();
    }
    return path;
}

// Copies what `from` holds (read from its start) into a new temporary file.
std::string copyToTemporary(FontFile& from, const std::string& dir, const std::string& tag,
                            const std::string& model) {
    const long size = from.size();
    if (size < 0 || from.seek(0, SeekOrigin::Begin) != 0) return std::string();
    std::vector<char> bytes(size_t(size) + 1);
    long done = 0;
    while (done < size) {
        const long n = from.read(bytes.data() + done, size - done);
        if (n <= 0) return std::string();
        done += n;
    }
    return writeTemporary(dir, tag, bytes.data(), size_t(size), model, nullptr);
}

// A second name for the file at `target` (beside it), or a copy where links are not had.
// A name that will be renamed into place (`durable`, the backup) has its data synced like
// every such file (only the data: the new name is made durable by its folder's sync, and
// the data of a font on disk needs no wait); a name kept only to put the file back is the
// same data as the file it names, and its folder is synced with the journal's where a
// journal needs it.
std::string secondName(const std::string& target, const std::string& dir, const std::string& tag,
                       FontFile* open, bool durable) {
    std::string name = createTempFileIn(dir, tag);
    if (name.empty()) return name;
    if (deleteFile(name) && linkFile(target, name)) {
        if (!durable) return name;
        std::unique_ptr<FontFile> linked = FontFile::open(name, OpenMode::ReadOnly);
        if (linked && linked->syncData()) return name;
    }
    deleteFile(name);
    if (open) return copyToTemporary(*open, dir, tag, target);
    std::unique_ptr<FontFile> file = FontFile::open(target, OpenMode::ReadOnly);
    return file ? copyToTemporary(*file, dir, tag, target) : std::string();
}

struct Entry {
    std::string target;
    std::string temp;   // the new file, renamed over the target
    std::string aside;  // the file replaced, under a second name; "" when there was none
    bool createOnly = false;
    bool placed = false;
    bool keepAside = false;  // the aside holds a version that could not be put back
};

std::string encodeJournal(const std::vector<Entry>& entries) {
    std::string text = kJournalMagic;
    text.push_back('\0');
    for (const Entry& e : entries) {
        for (const std::string* field : {&e.target, &e.temp, &e.aside}) {
            text += *field;
            text.push_back('\0');
        }
    }
    text += kJournalEnd;
    text.push_back('\0');
    return text;
}

// False for a journal that was not completely written: its save never renamed anything.
bool decodeJournal(const std::string& text, std::vector<Entry>& entries) {
    std::vector<std::string> fields;
    size_t at = 0;
    while (at < text.size()) {
        const size_t nul = text.find('\0', at);
        if (nul == std::string::npos) return false;
        fields.push_back(text.substr(at, nul - at));
        at = nul + 1;
    }
    if (fields.size() < 2 || fields.front() != kJournalMagic || fields.back() != kJournalEnd ||
        (fields.size() - 2) % 3 != 0)
        return false;
    for (size_t i = 1; i + 3 <= fields.size() - 1; i += 3) {
        Entry e;
        e.target = fields[i];
        e.temp = fields[i + 1];
        e.aside = fields[i + 2];
        entries.push_back(e);
    }
    return true;
}

bool syncDirectories(const std::vector<Entry>& entries) {
    std::vector<std::string> dirs;
    for (const Entry& e : entries) {
        const std::string d = directoryOf(e.target);
        if (std::find(dirs.begin(), dirs.end(), d) == dirs.end()) dirs.push_back(d);
    }
    bool ok = true;
    for (const std::string& d : dirs) ok = syncDirectory(d) && ok;
    return ok;
}

// Puts back what the entries replaced, last first. False, with `detail` saying where
// the versions are, when a step of that fails.
bool undoEntries(std::vector<Entry>& entries, std::string& detail) {
    bool ok = true;
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        if (e->placed) {
            if (!e->aside.empty()) {
                if (!replaceFile(e->aside, e->target)) {
                    ok = false;
                    e->keepAside = true;
                    detail +=
                        "\nthe new " + e->target + " is in place; the previous one is " + e->aside;
                    continue;
                }
                e->aside.clear();
            } else if (FontFile::exists(e->target) && !deleteFile(e->target)) {
                ok = false;
                detail += "\n" + e->target + " was made by this save and could not be removed";
                continue;
            }
            e->placed = false;
        }
    }
    return ok;
}

void removeLeftovers(const std::vector<Entry>& entries) {
    for (const Entry& e : entries) {
        if (!e.placed && !e.temp.empty() && FontFile::exists(e.temp)) deleteFile(e.temp);
        if (!e.aside.empty() && !e.keepAside && FontFile::exists(e.aside)) deleteFile(e.aside);
    }
}

bool hasTag(const std::string& name, const std::string& tag) {
    return name.size() > tag.size() && name.compare(0, tag.size(), tag) == 0;
}

// Undoes the saves the journals beside the file record, then removes every temporary
// file of saves into it from the folders involved.
bool recoverSaves(const std::string& resolvedFirst, const std::string& tempPrefix,
                  const std::vector<std::string>& otherDirs, std::string& detail) {
    const std::string tag = tagFor(tempPrefix, resolvedFirst);
    const std::string journalTag = tag + kJournalWord;
    const std::string dir = directoryOf(resolvedFirst);
    bool ok = true;
    for (const std::string& name : listDirectory(dir)) {
        if (!hasTag(name, journalTag)) continue;
        const std::string journal = joinPath(dir, name);
        std::string text;
        std::vector<Entry> entries;
        if (readWholeFile(journal, text, 1u << 20) && decodeJournal(text, entries)) {
            // The killed save may have renamed any of its files: each whose temporary file
            // is gone was placed. A listed second name that is gone was already put back
            // by the save itself (it existed when the journal was written).
            for (Entry& e : entries) {
                e.placed = !FontFile::exists(e.temp);
                if (e.placed && !e.aside.empty() && !FontFile::exists(e.aside)) e.placed = false;
            }
            if (!undoEntries(entries, detail)) {
                ok = false;
                continue;  // the journal stays for the next attempt
            }
            syncDirectories(entries);
        }
        deleteFile(journal);
        syncDirectory(dir);
    }
    if (!ok) return false;
    std::vector<std::string> dirs = otherDirs;
    dirs.push_back(dir);
    std::sort(dirs.begin(), dirs.end());
    dirs.erase(std::unique(dirs.begin(), dirs.end()), dirs.end());
    for (const std::string& d : dirs) {
        for (const std::string& name : listDirectory(d)) {
            if (hasTag(name, tag) && name.size() == tag.size() + kTempSuffixLength)
                deleteFile(joinPath(d, name));
        }
    }
    return true;
}

}  // namespace

SaveResult saveFiles(const SavePlan& plan, std::unique_ptr<FontFile>& held) {
    SaveResult result;
    if (plan.files.empty()) return result;
    const bool hadHeld = held != nullptr;
    std::vector<Entry> entries;
    const std::string first = resolvePath(plan.files[0].path);
    const std::string tag = tagFor(plan.tempPrefix, first);
    std::unique_ptr<FontFile> newFirst;
    auto fail = [&](const std::string& why) {
        newFirst.reset();
        removeLeftovers(entries);
        result.ok = false;
        result.unchanged = true;
        result.detail = why;
        return result;
    };

    if (held && !sameFile(*held, first))
        return fail(first + " was replaced by another program during the export");
    // A host's working copy (see kNoSyncFolderVariable) is thrown away when any save into
    // it fails, and its host keeps the real backup: no backup, second names or journal.
    const bool workingCopy = !syncWanted(first, false);
    if (!held && plan.createFirst && FontFile::exists(first))
        return fail(first + " was created by another program during the export");

    // 1. The new files, each beside its target; the first stays open and locked.
    for (size_t i = 0; i < plan.files.size(); ++i) {
        Entry e;
        e.target = i == 0 ? first : resolvePath(plan.files[i].path);
        e.createOnly = i == 0 && plan.createFirst && !held;
        e.temp = writeTemporary(directoryOf(e.target), tag, plan.files[i].data, plan.files[i].size,
                                e.target, i == 0 ? &newFirst : nullptr);
        if (e.temp.empty()) return fail("cannot write " + e.target + " beside it");
        entries.push_back(e);
    }

    // 2. The backup: the file being replaced under the backup's name.
    if (!plan.backupPath.empty() && held && !workingCopy) {
        Entry b;
        b.target = resolvePath(plan.backupPath);
        b.temp = secondName(first, directoryOf(b.target), tag, held.get(), true);
        if (b.temp.empty()) return fail("cannot make the backup " + b.target);
        entries.insert(entries.begin(), b);
    }

    // 3. A second name for each file about to be replaced, to restore it from.
    for (Entry& e : entries) {
        if (workingCopy || e.createOnly || !FontFile::exists(e.target)) continue;
        e.aside = secondName(e.target, directoryOf(e.target), tag,
                             e.target == first ? held.get() : nullptr, false);
        if (e.aside.empty()) return fail("cannot keep a copy of " + e.target);
    }

    // 4. The journal, complete and durable before the first rename, with the second names
    // it lists. A save of one file needs none: the backup is renamed into place first and
    // the file last, each in one step, so a kill anywhere leaves the file as it was or
    // complete, and the backup the previous file or the one before it. Nor does a set that
    // replaces nothing: its first file is renamed last, so a kill leaves no font, or the
    // whole set.
    bool replacesAny = false;
    for (const Entry& e : entries) replacesAny = replacesAny || !e.aside.empty();
    const bool needJournal = plan.files.size() > 1 && !workingCopy && replacesAny;
    std::string journal;
    const std::string journalText = encodeJournal(entries);
    auto writeJournal = [&] {
        return writeTemporary(directoryOf(first), tag + kJournalWord, journalText.data(),
                              journalText.size(), std::string(), nullptr);
    };
    if (needJournal) {
        journal = writeJournal();
        if (journal.empty() || !syncDirectories(entries)) {
            if (!journal.empty()) deleteFile(journal);
            return fail("cannot write the save's journal beside " + first);
        }
    }

    // 5. The renames. Where the system will not rename over an open file, the old font
    // is let go only now, and checked once more to be the file that was read.
    if (held && renameNeedsClosedTarget()) {
        held->close();
        held.reset();
    }
    if (held && !sameFile(*held, first)) {
        if (!journal.empty()) deleteFile(journal);
        return fail(first + " was replaced by another program during the export");
    }
    std::vector<Entry*> order;
    for (Entry& e : entries) order.push_back(&e);
    if (!needJournal)
        std::stable_partition(order.begin(), order.end(),
                              [&](const Entry* e) { return e->target != first; });
    std::string failedAt;
    for (Entry* entry : order) {
        Entry& e = *entry;
        const bool done =
            e.createOnly ? renameFile(e.temp, e.target) : replaceFile(e.temp, e.target);
        if (!done) {
            failedAt = e.target;
            break;
        }
        e.placed = true;
    }
    if (failedAt.empty() && !syncDirectories(entries)) failedAt = "the folder of " + first;
    if (failedAt.empty()) {
        // 6. The journal goes: from here the save has happened.
        if (journal.empty() || (deleteFile(journal) && syncDirectory(directoryOf(first)))) {
            for (Entry& e : entries) {
                if (!e.aside.empty()) deleteFile(e.aside);
                // A rename between two names of one file (a backup that already was the
                // font) leaves both names.
                if (FontFile::exists(e.temp)) deleteFile(e.temp);
            }
            held = std::move(newFirst);
            result.ok = true;
            result.unchanged = false;
            return result;
        }
        failedAt = journal;
    }

    // A rename failed: put everything back.
    std::string where;
    newFirst.reset();
    const bool undone = undoEntries(entries, where);
    syncDirectories(entries);
    // When not everything could be put back, nothing more is removed: every version
    // stays where the message says it is.
    if (undone) removeLeftovers(entries);
    result.ok = false;
    result.unchanged = undone;
    if (undone) {
        if (!journal.empty()) deleteFile(journal);
        result.detail = "cannot replace " + failedAt;
        // Where the old font had to be let go for the renames, take it up again.
        if (hadHeld && !held)
            held = FontFile::open(plan.files[0].path, OpenMode::ReadWriteDenyWrite);
    } else {
        // The journal stays (a save of one file writes it now): the next save into this
        // font finishes putting things back.
        if (journal.empty() && !workingCopy) {
            journal = writeJournal();
            if (!journal.empty() && !syncDirectories(entries)) {
                deleteFile(journal);
                journal.clear();
            }
        }
        result.detail =
            "cannot replace " + failedAt + ", and putting the files back failed:" + where;
        for (const Entry& e : entries)
            if (!e.placed && FontFile::exists(e.temp))
                result.detail += "\nthe new version of " + e.target + " is " + e.temp;
        if (!journal.empty())
            result.detail += "\nthe next export into " + first + " puts the previous versions back";
    }
    return result;
}

std::unique_ptr<FontFile> openForUpdate(const std::string& path, const std::string& tempPrefix,
                                        const std::vector<std::string>& companions,
                                        std::string& detail) {
    const std::string first = resolvePath(path);
    std::vector<std::string> dirs;
    for (const std::string& c : companions) dirs.push_back(directoryOf(resolvePath(c)));
    // A save may replace the file between our open and our lock: then open what is there now.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::unique_ptr<FontFile> file = FontFile::open(path, OpenMode::ReadWriteDenyWrite);
        if (!file) return nullptr;
        if (!sameFile(*file, first)) continue;
        // Holding the lock, no live save is under way: what a save left is stale.
        if (!recoverSaves(first, tempPrefix, dirs, detail)) return nullptr;
        if (sameFile(*file, first)) return file;
    }
    detail = path + " keeps changing while it is opened";
    return nullptr;
}

bool replaceFileContents(const std::string& path, const std::string& tempPrefix,
                         const std::string& contents) {
    SavePlan plan;
    plan.tempPrefix = tempPrefix;
    plan.files.push_back({path, contents.data(), contents.size()});
    std::unique_ptr<FontFile> none;
    // saveFiles synced the folder after the rename.
    return saveFiles(plan, none).ok;
}

}  // namespace gx::platform
