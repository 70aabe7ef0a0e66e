// Replacing a font file: backup, temporary file beside it, and failures at every point.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "folder_listing.h"
#include "font_fixture.h"
#include "platform/save.h"
#include "test_io.h"
#include "truetype/truetype.h"

namespace gx::tt {
namespace {

using gx::test::listDir;

struct SaveTest : ::testing::Test {
    std::string dir;
    std::string detail;  // of the last failed save
    void SetUp() override {
        char tmpl[] = "/tmp/gx-tt-save-XXXXXX";
        dir = mkdtemp(tmpl);
    }
    void TearDown() override {
        platform::injectWriteFailureAfter(-1);
        platform::injectRenameFailure(0);
        for (const std::string& n : listDir(dir)) unlink((dir + "/" + n).c_str());
        rmdir(dir.c_str());
    }

    // One export of a small square into `path`, the way the session does it.
    SaveStatus exportInto(const std::string& path, int code) {
        FontFileState font;
        SessionSettings s;
        font.timestamp = 3600;
        std::unique_ptr<platform::FontFile> file;
        const bool existed = platform::FontFile::exists(path);
        if (existed) {
            std::string why;
            file = platform::openForUpdate(path, kTempPrefix, {backupName(path)}, why);
            std::vector<uint8_t> bytes;
            if (!file || !loadFontBytes(*file, bytes)) return SaveStatus::Failed;
            if (readExistingFont(bytes, font, s) != ReadStatus::Ok) return SaveStatus::Failed;
        } else {
            s.familyName = "Saved";
        }
        ConvertedOutline conv;
        conv.points = {{0, 0, kContourStart},
                       {0, 500, kOnCurve},
                       {int16_t(code * 3), 500, kOnCurve},
                       {500, 0, kContourEnd}};
        conv.contourStarts = {0, 4};
        buildNewGlyph(conv, font.newGlyph);
        s.charNumber = int16_t(code);
        return saveFontFile(font, s, file, path, existed, detail);
    }
};

TEST_F(SaveTest, BackupHoldsThePreviousFile) {
    const std::string path = dir + "/Font.TTF";
    ASSERT_EQ(exportInto(path, 65), SaveStatus::Ok);
    const std::vector<uint8_t> first = readFile(path);
    ASSERT_EQ(exportInto(path, 66), SaveStatus::Ok);
    EXPECT_EQ(readFile(dir + "/Font.bak"), first);
    EXPECT_EQ(listDir(dir), (std::vector<std::string>{"Font.TTF", "Font.bak"}));
    EXPECT_EQ(backupName("/a.b/font"), "/a.b/font.bak");
    EXPECT_EQ(backupName("x.y.ttf"), "x.y.bak");
}

TEST_F(SaveTest, WriteFailureAnywhereLeavesTheFontAsItWas) {
    const std::string path = dir + "/Font.ttf";
    ASSERT_EQ(exportInto(path, 65), SaveStatus::Ok);
    ASSERT_EQ(exportInto(path, 66), SaveStatus::Ok);
    const std::vector<uint8_t> before = readFile(path);
    const std::vector<uint8_t> backup = readFile(dir + "/Font.bak");
    const long total = long(before.size()) + 600;
    for (long n = 0; n < total; n += 1) {
        platform::injectWriteFailureAfter(n);
        const SaveStatus st = exportInto(path, 67);
        platform::injectWriteFailureAfter(-1);
        if (st == SaveStatus::Ok) {
            // The budget outlasted the whole file: nothing more to try.
            EXPECT_GT(n, long(before.size()));
            break;
        }
        ASSERT_EQ(readFile(path), before) << "failure after " << n << " bytes";
        ASSERT_EQ(readFile(dir + "/Font.bak"), backup);
        ASSERT_EQ(listDir(dir), (std::vector<std::string>{"Font.bak", "Font.ttf"})) << n;
    }
}

TEST_F(SaveTest, FailedRenamesPutTheFontBack) {
    const std::string path = dir + "/Font.ttf";
    ASSERT_EQ(exportInto(path, 65), SaveStatus::Ok);
    ASSERT_EQ(exportInto(path, 66), SaveStatus::Ok);
    const std::vector<uint8_t> before = readFile(path);
    for (int nth = 1; nth <= 2; ++nth) {
        platform::injectRenameFailure(nth);
        EXPECT_EQ(exportInto(path, 67), SaveStatus::Failed);
        platform::injectRenameFailure(0);
        EXPECT_EQ(readFile(path), before) << nth;
        for (const std::string& n : listDir(dir)) EXPECT_NE(n.rfind("TTF", 0), 0u) << n;
    }
}

// The codes a font file maps, or none when it cannot be read as a complete font.
std::vector<int> codesIn(const std::string& path) {
    FontFileState font;
    SessionSettings s;
    std::vector<int> codes;
    if (readExistingFont(readFile(path), font, s) != ReadStatus::Ok) return codes;
    for (int c = 33; c < 256; ++c)
        if (font.charToGlyph[size_t(c)] != 0) codes.push_back(c);
    return codes;
}

std::string g_fontRename;
int g_fontRenameStep = 0;
void findFontRename(const char* kind, const std::string& path, const std::string&) {
    if (std::string(kind) == "rename" && path == g_fontRename && g_fontRenameStep == 0)
        g_fontRenameStep = platform::stepCount();
}

// The font's own rename fails, and so does putting the backup back: nothing is deleted,
// the message names where the new font and the previous backup are, and the next export
// into the font puts the backup back.
TEST_F(SaveTest, WhenPuttingBackFailsEveryVersionIsKeptAndNamed) {
    const std::string path = dir + "/Font.ttf", bak = dir + "/Font.bak";
    ASSERT_EQ(exportInto(path, 65), SaveStatus::Ok);
    ASSERT_EQ(exportInto(path, 66), SaveStatus::Ok);
    const std::vector<uint8_t> old = readFile(path), oldBak = readFile(bak);
    g_fontRename = path;
    g_fontRenameStep = 0;
    platform::setStepObserver(findFontRename);
    platform::resetStepCount();
    ASSERT_EQ(exportInto(path, 67), SaveStatus::Ok);
    platform::setStepObserver(nullptr);
    ASSERT_GT(g_fontRenameStep, 0);
    // Back to the font with 65 and 66, and its backup.
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(old.data()), std::streamsize(old.size()));
    std::ofstream(bak, std::ios::binary)
        .write(reinterpret_cast<const char*>(oldBak.data()), std::streamsize(oldBak.size()));

    platform::injectStepFailure(g_fontRenameStep, true);
    EXPECT_EQ(exportInto(path, 67), SaveStatus::FailedPartly);
    platform::injectStepFailure(0);
    EXPECT_EQ(readFile(path), old);
    // The new font and the previous backup are where the message says.
    auto pathAfter = [&](const std::string& words) {
        const size_t at = detail.find(words);
        if (at == std::string::npos) return std::string();
        const size_t from = at + words.size();
        return detail.substr(from, detail.find('\n', from) - from);
    };
    const std::string newPath = pathAfter("the new version of " + path + " is ");
    ASSERT_FALSE(newPath.empty()) << detail;
    EXPECT_EQ(codesIn(newPath), (std::vector<int>{65, 66, 67})) << newPath;
    const std::string asidePath = pathAfter("the previous one is ");
    ASSERT_FALSE(asidePath.empty()) << detail;
    EXPECT_EQ(readFile(asidePath), oldBak) << asidePath;

    std::string why;
    EXPECT_TRUE(platform::openForUpdate(path, kTempPrefix, {bak}, why)) << why;
    EXPECT_EQ(readFile(bak), oldBak);
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(listDir(dir), (std::vector<std::string>{"Font.bak", "Font.ttf"}));
}

// SIGKILL at every system operation of a save (in a child process, by the step
// counter): the font or its .bak is the old font, or the font is the new one complete;
// the next export succeeds, and no temporary file is left once it has run.
TEST_F(SaveTest, KilledAtAnyStepTheNextExportRecovers) {
    const std::string path = dir + "/Font.ttf", bak = dir + "/Font.bak";
    ASSERT_EQ(exportInto(path, 65), SaveStatus::Ok);
    ASSERT_EQ(exportInto(path, 66), SaveStatus::Ok);
    const std::vector<uint8_t> old = readFile(path), oldBak = readFile(bak);
    int kills = 0;
    for (int step = 1; step < 500; ++step) {
        for (const std::string& n : listDir(dir)) unlink((dir + "/" + n).c_str());
        {
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(old.data()), std::streamsize(old.size()));
            std::ofstream(bak, std::ios::binary)
                .write(reinterpret_cast<const char*>(oldBak.data()),
                       std::streamsize(oldBak.size()));
        }
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            platform::injectKillAtStep(step);
            _exit(exportInto(path, 67) == SaveStatus::Ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (!WIFSIGNALED(status)) {
            // The save is done before the step counter reaches this step.
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << step;
            EXPECT_EQ(codesIn(path), (std::vector<int>{65, 66, 67}));
            EXPECT_EQ(readFile(bak), old);
            break;
        }
        ++kills;
        const std::vector<int> codes = codesIn(path);
        const bool oldFont = readFile(path) == old || readFile(bak) == old;
        const bool newFont = codes == std::vector<int>{65, 66, 67};
        ASSERT_TRUE(oldFont || newFont) << "killed at step " << step;
        ASSERT_EQ(exportInto(path, 68), SaveStatus::Ok) << step;
        const std::vector<int> after = codesIn(path);
        EXPECT_TRUE(after == (std::vector<int>{65, 66, 68}) ||
                    after == (std::vector<int>{65, 66, 67, 68}))
            << step;
        for (const std::string& n : listDir(dir)) EXPECT_NE(n.rfind("TTF", 0), 0u) << step << n;
    }
    EXPECT_GT(kills, 15);
}

TEST_F(SaveTest, NewFontThatFailsLeavesNoFile) {
    const std::string path = dir + "/New.ttf";
    platform::injectWriteFailureAfter(100);
    EXPECT_EQ(exportInto(path, 65), SaveStatus::Failed);
    platform::injectWriteFailureAfter(-1);
    EXPECT_TRUE(listDir(dir).empty());
}

}  // namespace
}  // namespace gx::tt
