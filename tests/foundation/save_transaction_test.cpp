// The save transaction: order of syncs and renames, the file as the user has it
// (links, modes), and refusal when the file was replaced behind the lock's back.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "folder_listing.h"
#include "platform/platform.h"
#include "platform/save.h"

namespace gx::platform {
namespace {

struct Event {
    std::string kind, path, from;
};
std::vector<Event> g_events;

void record(const char* kind, const std::string& path, const std::string& from) {
    g_events.push_back({kind, path, from});
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

using gx::test::listDir;

struct SaveTransactionTest : ::testing::Test {
    std::string dir;
    void SetUp() override {
        char tmpl[] = "/tmp/gx-save-XXXXXX";
        dir = mkdtemp(tmpl);
        g_events.clear();
    }
    void TearDown() override {
        setStepObserver(nullptr);
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
};

// Each rename's source was synced before it, and the folder of its target after it.
void expectSyncedAroundRenames(const std::vector<Event>& events, size_t wantRenames) {
    size_t renames = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].kind != "rename") continue;
        ++renames;
        bool synced = false;
        for (size_t j = 0; j < i; ++j)
            synced = synced || (events[j].kind == "sync" && events[j].path == events[i].from);
        EXPECT_TRUE(synced) << events[i].from << " renamed to " << events[i].path
                            << " without a sync";
        const std::string folder = directoryOf(events[i].path);
        bool folderSynced = false;
        for (size_t j = i + 1; j < events.size(); ++j)
            folderSynced =
                folderSynced || (events[j].kind == "syncdir" && events[j].path == folder);
        EXPECT_TRUE(folderSynced) << "folder of " << events[i].path << " not synced after";
    }
    EXPECT_EQ(renames, wantRenames);
}

TEST_F(SaveTransactionTest, EveryReplacedFileIsSyncedBeforeItsRenameAndItsFolderAfter) {
    const std::string font = dir + "/f.pfb", afm = dir + "/f.afm", pfm = dir + "/f.pfm";
    put(font, "old font");
    put(afm, "old afm");
    put(pfm, "old pfm");
    std::string why;
    std::unique_ptr<FontFile> held = openForUpdate(font, "AT1", {afm, pfm}, why);
    ASSERT_TRUE(held) << why;
    const std::string a = "new font", b = "new afm", c = "new pfm";
    SavePlan plan;
    plan.tempPrefix = "AT1";
    plan.files = {{font, a.data(), a.size()}, {afm, b.data(), b.size()}, {pfm, c.data(), c.size()}};
    plan.backupPath = dir + "/f.bak";
    setStepObserver(record);
    const SaveResult r = saveFiles(plan, held);
    setStepObserver(nullptr);
    ASSERT_TRUE(r.ok) << r.detail;
    EXPECT_EQ(slurp(font), "new font");
    EXPECT_EQ(slurp(afm), "new afm");
    EXPECT_EQ(slurp(pfm), "new pfm");
    EXPECT_EQ(slurp(dir + "/f.bak"), "old font");
    expectSyncedAroundRenames(g_events, 4);  // backup, font, AFM, PFM

    // The settings file goes the same way.
    const std::string ini = dir + "/settings.ini";
    g_events.clear();
    setStepObserver(record);
    ASSERT_TRUE(profileWriteString(ini, "TTF Filter", "CharNumber", "65"));
    ASSERT_TRUE(profileWriteString(ini, "TTF Filter", "Style", "1"));
    setStepObserver(nullptr);
    EXPECT_EQ(profileGetInt(ini, "TTF Filter", "Style", 0), 1);
    expectSyncedAroundRenames(g_events, 2);
}

TEST_F(SaveTransactionTest, ALinkedFileIsWrittenThroughAndKeepsItsMode) {
    ASSERT_EQ(mkdir((dir + "/real").c_str(), 0755), 0);
    const std::string real = dir + "/real/font.ttf", link = dir + "/font.ttf";
    put(real, "old");
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(symlink("real/font.ttf", link.c_str()), 0);
    std::string why;
    std::unique_ptr<FontFile> held = openForUpdate(link, "TTF", {}, why);
    ASSERT_TRUE(held) << why;
    const std::string text = "new";
    SavePlan plan;
    plan.tempPrefix = "TTF";
    plan.files = {{link, text.data(), text.size()}};
    plan.backupPath = dir + "/font.bak";
    ASSERT_TRUE(saveFiles(plan, held).ok);
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(slurp(real), "new");
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(slurp(dir + "/font.bak"), "old");
}

TEST_F(SaveTransactionTest, AFileReplacedBehindTheExportIsNotRenamedOver) {
    const std::string font = dir + "/f.ttf";
    put(font, "read by this export");
    std::string why;
    std::unique_ptr<FontFile> held = openForUpdate(font, "TTF", {}, why);
    ASSERT_TRUE(held);
    // Another program puts a new file under the name.
    put(dir + "/other", "someone else's font");
    ASSERT_EQ(rename((dir + "/other").c_str(), font.c_str()), 0);
    const std::string text = "ours";
    SavePlan plan;
    plan.tempPrefix = "TTF";
    plan.files = {{font, text.data(), text.size()}};
    plan.backupPath = dir + "/f.bak";
    const SaveResult r = saveFiles(plan, held);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.unchanged);
    EXPECT_NE(r.detail.find("replaced by another program"), std::string::npos) << r.detail;
    EXPECT_EQ(slurp(font), "someone else's font");
    EXPECT_FALSE(FontFile::exists(dir + "/f.bak"));
}

TEST_F(SaveTransactionTest, ANewFileNeverReplacesOneThatAppearedMeanwhile) {
    const std::string font = dir + "/n.ttf";
    put(font, "appeared");
    const std::string text = "ours";
    SavePlan plan;
    plan.tempPrefix = "TTF";
    plan.files = {{font, text.data(), text.size()}};
    plan.createFirst = true;
    std::unique_ptr<FontFile> none;
    EXPECT_FALSE(saveFiles(plan, none).ok);
    EXPECT_EQ(slurp(font), "appeared");
}

// Where the file system refuses RENAME_NOREPLACE, a new font is still created, and a
// file that appeared at its name is still never replaced.
TEST_F(SaveTransactionTest, WithoutNoReplaceRenamesANewFileIsStillCreatedSafely) {
    injectNoReplaceRefused(true);
    const std::string font = dir + "/n.ttf", text = "ours";
    SavePlan plan;
    plan.tempPrefix = "TTF";
    plan.files = {{font, text.data(), text.size()}};
    plan.createFirst = true;
    std::unique_ptr<FontFile> none;
    const SaveResult r = saveFiles(plan, none);
    EXPECT_TRUE(r.ok) << r.detail;
    EXPECT_EQ(slurp(font), "ours");
    put(dir + "/a", "a");
    put(dir + "/b", "b");
    EXPECT_FALSE(renameFile(dir + "/a", dir + "/b"));
    EXPECT_EQ(slurp(dir + "/b"), "b");
    EXPECT_TRUE(renameFile(dir + "/a", dir + "/c"));
    EXPECT_EQ(slurp(dir + "/c"), "a");
    EXPECT_FALSE(FontFile::exists(dir + "/a"));
    injectNoReplaceRefused(false);
}

// A user's `ln font.ttf font.bak`, or a kill between a save's two renames, leaves the
// backup a second name of the font: renaming one name of a file over another does
// nothing, and the save must not leave the temporary name behind.
TEST_F(SaveTransactionTest, ABackupThatIsAlreadyTheFontLeavesNoSecondName) {
    const std::string font = dir + "/f.ttf", bak = dir + "/f.bak";
    put(font, "old");
    ASSERT_EQ(link(font.c_str(), bak.c_str()), 0);
    std::string why;
    std::unique_ptr<FontFile> held = openForUpdate(font, "TTF", {bak}, why);
    ASSERT_TRUE(held) << why;
    const std::string text = "new";
    SavePlan plan;
    plan.tempPrefix = "TTF";
    plan.files = {{font, text.data(), text.size()}};
    plan.backupPath = bak;
    ASSERT_TRUE(saveFiles(plan, held).ok);
    EXPECT_EQ(slurp(font), "new");
    EXPECT_EQ(slurp(bak), "old");
    EXPECT_EQ(listDir(dir), (std::vector<std::string>{"f.bak", "f.ttf"}));
}

std::vector<Event> g_seen;
void remember(const char* kind, const std::string& path, const std::string& from) {
    g_seen.push_back({kind, path, from});
}

// A set's save that fails at its last rename puts the others back; killed half way
// through that, the next open finishes it, though some second names are already gone.
TEST_F(SaveTransactionTest, AKillWhilePuttingASetBackIsFinishedByTheNextOpen) {
    const std::string font = dir + "/f.pfb", afm = dir + "/f.afm", pfm = dir + "/f.pfm",
                      bak = dir + "/f.bak";
    const std::string a = "new font", b = "new afm", c = "new pfm";
    auto saveSet = [&]() {
        put(font, "old font");
        put(afm, "old afm");
        put(pfm, "old pfm");
        put(bak, "old bak");
        std::string why;
        std::unique_ptr<FontFile> held = openForUpdate(font, "AT1", {afm, pfm}, why);
        if (!held) return SaveResult();
        SavePlan plan;
        plan.tempPrefix = "AT1";
        plan.files = {
            {font, a.data(), a.size()}, {afm, b.data(), b.size()}, {pfm, c.data(), c.size()}};
        plan.backupPath = bak;
        return saveFiles(plan, held);
    };
    // Find the step that renames the PFM into place, then the one that puts the font back
    // after that rename failed.
    g_seen.clear();
    setStepObserver(remember);
    ASSERT_TRUE(saveSet().ok);
    int pfmRename = 0;
    for (size_t i = 0; i < g_seen.size(); ++i)
        if (g_seen[i].kind == "rename" && g_seen[i].path == pfm) pfmRename = int(i) + 1;
    ASSERT_GT(pfmRename, 0);
    for (const std::string& n : listDir(dir)) unlink((dir + "/" + n).c_str());
    g_seen.clear();
    injectStepFailure(pfmRename);
    const SaveResult failed = saveSet();
    injectStepFailure(0);
    setStepObserver(nullptr);
    ASSERT_FALSE(failed.ok);
    ASSERT_TRUE(failed.unchanged) << failed.detail;
    int fontPutBack = 0;
    for (size_t i = size_t(pfmRename); i < g_seen.size(); ++i)
        if (g_seen[i].kind == "rename" && g_seen[i].path == font) fontPutBack = int(i) + 1;
    ASSERT_GT(fontPutBack, pfmRename);

    for (const std::string& n : listDir(dir)) unlink((dir + "/" + n).c_str());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Counted from the same start as the failure.
        injectKillAtStep(fontPutBack);
        injectStepFailure(pfmRename);
        saveSet();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(slurp(afm), "old afm");  // put back before the kill
    EXPECT_EQ(slurp(font), "new font");

    std::string why;
    std::unique_ptr<FontFile> held = openForUpdate(font, "AT1", {afm, pfm}, why);
    ASSERT_TRUE(held) << why;
    EXPECT_EQ(slurp(font), "old font");
    EXPECT_EQ(slurp(afm), "old afm");
    EXPECT_EQ(slurp(pfm), "old pfm");
    EXPECT_EQ(slurp(bak), "old bak");
    EXPECT_EQ(listDir(dir), (std::vector<std::string>{"f.afm", "f.bak", "f.pfb", "f.pfm"}));
}

// A new set (a Type 1 font with its AFM and PFM) replaces nothing, and is saved without a
// journal: killed at any step, there is no font, or the whole set.
TEST_F(SaveTransactionTest, ANewSetKilledAtAnyStepLeavesNoFontOrTheWholeSet) {
    const std::string font = dir + "/f.pfb", afm = dir + "/f.afm", pfm = dir + "/f.pfm";
    const std::string a = "new font", b = "new afm", c = "new pfm";
    auto saveSet = [&]() {
        SavePlan plan;
        plan.tempPrefix = "AT1";
        plan.files = {
            {font, a.data(), a.size()}, {afm, b.data(), b.size()}, {pfm, c.data(), c.size()}};
        plan.createFirst = true;
        std::unique_ptr<FontFile> none;
        return saveFiles(plan, none).ok;
    };
    int kills = 0;
    for (int step = 1; step < 100; ++step) {
        for (const std::string& n : listDir(dir)) unlink((dir + "/" + n).c_str());
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            injectKillAtStep(step);
            _exit(saveSet() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (!WIFSIGNALED(status)) {
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << step;
            break;
        }
        ++kills;
        if (FontFile::exists(font)) {
            EXPECT_EQ(slurp(font), a) << step;
            EXPECT_EQ(slurp(afm), b) << step;
            EXPECT_EQ(slurp(pfm), c) << step;
        } else {
            // What a later export does: a new font again, over what the killed one left.
            for (const std::string& n : listDir(dir))
                if (n.rfind("AT1", 0) == 0) unlink((dir + "/" + n).c_str());
            ASSERT_TRUE(saveSet()) << step;
            EXPECT_EQ(slurp(afm), b) << step;
        }
    }
    EXPECT_GT(kills, 8);
}

}  // namespace
}  // namespace gx::platform
