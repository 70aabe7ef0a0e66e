// The platform seams on POSIX: font file modes, the deny-write rule across processes,
// write-failure injection, files, the INI store and the string table.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/ini_text.h"
#include "platform/lazy_library.h"
#include "platform/platform.h"
#include "support/strings.h"

namespace gx::platform {
namespace {

class TempDir {
  public:
    TempDir() {
        char tmpl[] = "/tmp/gx-test-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void spit(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(ExportOutcomeTest, GoesToAFileOrToTheVariableTheHostNames) {
    setEnvironmentValue("GLYPH_EXPORT_OUTCOME", "env:GX_TEST_OUTCOME_LINE");
    reportExportOutcome(ExportOutcome::Cancelled, true);
    EXPECT_EQ(environmentValue("GX_TEST_OUTCOME_LINE"), "cancelled saved\n");
    char tmpl[] = "/tmp/gx-outcome-XXXXXX";
    ::close(::mkstemp(tmpl));
    setEnvironmentValue("GLYPH_EXPORT_OUTCOME", tmpl);
    reportExportOutcome(ExportOutcome::Written, false);
    std::string text;
    EXPECT_TRUE(readWholeFile(tmpl, text));
    EXPECT_EQ(text, "written\n");
    std::remove(tmpl);
    for (const char* v : {"GLYPH_EXPORT_OUTCOME", "GX_TEST_OUTCOME_LINE"})
        setEnvironmentValue(v, nullptr);
    EXPECT_EQ(environmentValue("GX_TEST_OUTCOME_LINE"), "");
}

TEST(SyncKnobTest, OnlyTheNamedFolderSkipsItsSyncs) {
    EXPECT_TRUE(syncWanted("/w/batch/font.ttf", false));
    setEnvironmentValue(kNoSyncFolderVariable, "/w/batch");
    EXPECT_FALSE(syncWanted("/w/batch/font.ttf", false));
    EXPECT_FALSE(syncWanted("/w/batch", true));
    EXPECT_TRUE(syncWanted("/w/font.ttf", false));
    EXPECT_TRUE(syncWanted("/w", true));
    EXPECT_TRUE(syncWanted("/w/batch2/font.ttf", false));
    setEnvironmentValue(kNoSyncFolderVariable, nullptr);
    EXPECT_TRUE(syncWanted("/w/batch/font.ttf", false));
}

TEST(FontFileTest, CreateWriteSeekReadRoundTrip) {
    TempDir dir;
    std::string path = dir.file("a.bin");
    EXPECT_FALSE(FontFile::exists(path));
    auto f = FontFile::open(path, OpenMode::CreateReadWriteDenyWrite);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->write("hello world", 11), 11);
    EXPECT_EQ(f->tell(), 11);
    EXPECT_EQ(f->seek(6, SeekOrigin::Begin), 6);
    EXPECT_EQ(f->write("W", 1), 1);
    EXPECT_EQ(f->seek(0, SeekOrigin::End), 11);
    char buf[16] = {};
    f->seek(0, SeekOrigin::Begin);
    EXPECT_EQ(f->read(buf, 16), 11);
    EXPECT_STREQ(buf, "hello World");
    EXPECT_TRUE(f->close());
    EXPECT_TRUE(FontFile::exists(path));
    EXPECT_FALSE(FontFile::exists(dir.path())) << "a directory is no font file";
    EXPECT_EQ(slurp(path), "hello World");
}

TEST(FontFileTest, CreateTruncatesButOpenKeeps) {
    TempDir dir;
    std::string path = dir.file("a.bin");
    spit(path, "old contents");
    {
        auto f = FontFile::open(path, OpenMode::ReadWriteDenyWrite);
        ASSERT_TRUE(f);
    }
    EXPECT_EQ(slurp(path), "old contents");
    {
        auto f = FontFile::open(path, OpenMode::CreateReadWriteDenyWrite);
        ASSERT_TRUE(f);
    }
    EXPECT_EQ(slurp(path), "");
    EXPECT_FALSE(FontFile::open(dir.file("missing"), OpenMode::ReadWriteDenyWrite));
}

TEST(FontFileTest, SecondWriterInAnotherProcessIsRefused) {
    TempDir dir;
    std::string path = dir.file("locked.ttf");
    spit(path, "font");
    auto holder = FontFile::open(path, OpenMode::ReadWriteDenyWrite);
    ASSERT_TRUE(holder);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        bool rw = FontFile::open(path, OpenMode::ReadWriteDenyWrite) != nullptr;
        bool create = FontFile::open(path, OpenMode::CreateReadWriteDenyWrite) != nullptr;
        bool ro = FontFile::open(path, OpenMode::ReadOnly) != nullptr;
        char r[3] = {char('0' + rw), char('0' + create), char('0' + ro)};
        (void)!::write(fds[1], r, 3);
        ::_exit(0);
    }
    char r[3] = {};
    ASSERT_EQ(::read(fds[0], r, 3), 3);
    ::waitpid(pid, nullptr, 0);
    EXPECT_EQ(r[0], '0') << "a second read-write open must be refused";
    EXPECT_EQ(r[1], '0') << "a second create must be refused";
    EXPECT_EQ(r[2], '1') << "readers are still allowed";
    EXPECT_EQ(slurp(path), "font") << "the refused create must not truncate";
    holder.reset();
    EXPECT_TRUE(FontFile::open(path, OpenMode::ReadWriteDenyWrite)) << "free again once closed";
}

TEST(FontFileTest, InjectedWriteFailureStopsAtTheBudget) {
    TempDir dir;
    auto f = FontFile::open(dir.file("x"), OpenMode::CreateReadWriteDenyWrite);
    injectWriteFailureAfter(5);
    EXPECT_EQ(f->write("abc", 3), 3);
    EXPECT_EQ(f->write("defg", 4), 2);
    EXPECT_EQ(f->write("h", 1), 0);
    injectWriteFailureAfter(-1);
    EXPECT_FALSE(f->close()) << "a failed stream reports failure at close";
}

TEST(FilesTest, RenameNeverReplacesAndTempFilesAreUnique) {
    TempDir dir;
    spit(dir.file("a"), "A");
    spit(dir.file("b"), "B");
    EXPECT_FALSE(renameFile(dir.file("a"), dir.file("b")));
    EXPECT_EQ(slurp(dir.file("b")), "B");
    EXPECT_TRUE(renameFile(dir.file("a"), dir.file("c")));
    EXPECT_EQ(slurp(dir.file("c")), "A");
    injectRenameFailure(1);
    EXPECT_FALSE(renameFile(dir.file("c"), dir.file("d")));
    EXPECT_TRUE(renameFile(dir.file("c"), dir.file("d")));
    std::string t1 = createTempFileIn(dir.path(), "gx"), t2 = createTempFileIn(dir.path(), "gx");
    EXPECT_NE(t1, t2);
    EXPECT_EQ(directoryOf(t1), dir.path());
    EXPECT_TRUE(deleteFile(t1));
    EXPECT_FALSE(deleteFile(t1));
    EXPECT_EQ(directoryOf("font.ttf"), ".");
    EXPECT_EQ(directoryOf("/font.ttf"), "/");
}

// A library opened on first use that is not there, or lacks a function, is a clear
// error for the feature that wanted it, never a crash.
TEST(LazyLibraryTest, AMissingLibraryOrFunctionIsAnErrorThatNamesIt) {
    int (*function)(int) = nullptr;
    LazyLibrary missing("libgx-no-such-library.so.0");
    EXPECT_FALSE(missing.take("abs", function));
    EXPECT_EQ(function, nullptr);
    EXPECT_NE(missing.error().find("cannot load libgx-no-such-library.so.0"), std::string::npos)
        << missing.error();

    LazyLibrary libc("libc.so.6");
    EXPECT_FALSE(libc.take("gx_no_such_function", function));
    EXPECT_NE(libc.error().find("lacks gx_no_such_function"), std::string::npos) << libc.error();
    ASSERT_TRUE(libc.take("abs", function));
    EXPECT_EQ(function(-7), 7);
}

TEST(IniTest, NamesCompareWithoutCaseAndOtherEntriesAreKept) {
    std::string text = "; settings\n[Other]\nGridSize=5\n[ttf filter]\n gridsize = 1024 \n";
    EXPECT_EQ(iniLookup(text, "TTF Filter", "GridSize").value(), "1024");
    EXPECT_EQ(iniLookup(text, "Other", "GRIDSIZE").value(), "5");
    EXPECT_FALSE(iniLookup(text, "TTF Filter", "Style"));
    std::string updated = iniSet(text, "TTF Filter", "GridSize", "2048");
    EXPECT_EQ(updated, "; settings\n[Other]\nGridSize=5\n[ttf filter]\nGridSize=2048\n");
    updated = iniSet(updated, "TTF Filter", "Style", "1");
    EXPECT_EQ(iniLookup(updated, "ttf filter", "style").value(), "1");
    updated = iniSet(updated, "AT1 Filter", "Style", "2");
    EXPECT_EQ(iniLookup(updated, "AT1 Filter", "Style").value(), "2");
    EXPECT_EQ(iniLookup(updated, "Other", "GridSize").value(), "5");
    // Tabs, CR LF line ends, lines of blanks only and empty values.
    const std::string blanks = "[S]\r\n\t k \t=\t v \r\n \t \r\nj=\r\n";
    EXPECT_EQ(iniLookup(blanks, "S", "k").value(), "v");
    EXPECT_EQ(iniLookup(blanks, "S", "j").value(), "");
    EXPECT_EQ(iniSet(blanks, "S", "j", "1"), "[S]\r\n\t k \t=\t v \r\n \t \r\nj=1\r\n");
}

TEST(IniTest, IntegersReadAsTheProfileFunctionDoes) {
    EXPECT_EQ(iniParseInt("42"), 42);
    EXPECT_EQ(iniParseInt("-17abc"), -17);
    EXPECT_EQ(iniParseInt("abc"), 0);
    EXPECT_EQ(iniParseInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(iniParseInt("-99999999999999999999"), -2147483647 - 1);
}

TEST(ProfileTest, FileIsCreatedOnFirstWriteAndMissingKeysKeepDefaults) {
    TempDir dir;
    std::string ini = dir.file("settings.ini");
    EXPECT_EQ(profileGetInt(ini, "TTF Filter", "GridSize", 2048), 2048);
    EXPECT_TRUE(profileWriteString(ini, "TTF Filter", "GridSize", "1000"));
    EXPECT_EQ(profileGetInt(ini, "ttf filter", "gridsize", 2048), 1000);
    EXPECT_EQ(profileGetInt(ini, "TTF Filter", "Style", 3), 3);
    EXPECT_EQ(profileGetString(ini, "TTF Filter", "GridSize", ""), "1000");
    EXPECT_FALSE(profileWriteString(dir.file("no/such/dir.ini"), "A", "B", "C"));
}

TEST(StringTableTest, LoadsTextsIntoARotatingArea) {
    const char* a = loadString(str::kCaptionTrueType);
    const char* b = loadString(str::kTooManyObjects);
    EXPECT_STREQ(a, "TrueType Export") << "a caption survives the load of its text";
    EXPECT_STREQ(b, "Too many objects to export");
    EXPECT_STREQ(loadString(str::kCaptionType1), "Adobe Type 1 Export");
    EXPECT_STREQ(loadString(999999), "");
    for (int i = 0; i < 500; ++i) loadString(str::kObjectsNotClosed);  // wraps around safely
    EXPECT_STREQ(loadString(str::kObjectsNotClosed), "Object(s) are not closed");
}

}  // namespace
}  // namespace gx::platform
