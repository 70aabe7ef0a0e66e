// Replacing a font file: backup, temporary file beside it, and failures at every point.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "font_fixture.h"
#include "platform/save.h"
#include "truetype/truetype.h"

namespace gx::tt {
namespace {

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> listDir(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct SaveTest : ::testing::Test {
    std::string dir;
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
        std::string detail;
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

TEST_F(SaveTest, NewFontThatFailsLeavesNoFile) {
    const std::string path = dir + "/New.ttf";
    platform::injectWriteFailureAfter(100);
    EXPECT_EQ(exportInto(path, 65), SaveStatus::Failed);
    platform::injectWriteFailureAfter(-1);
    EXPECT_TRUE(listDir(dir).empty());
}

}  // namespace
}  // namespace gx::tt
