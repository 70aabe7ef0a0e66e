// The host protocol as a drawing program drives it: a test host fills a HostExportCall
// and records what the plug-in hands back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "entry/session.h"
#include "platform/ui_hooks.h"
#include "ui/ui_script.h"

namespace gx {
namespace {

// ---------------------------------------------------------------- a plug-in under test

ExportSessionBase g_session;
int g_prepareCalls = 0, g_finishCalls = 0;
bool g_prepareResult = true;
bool g_lastFileMode = false;
const PluginTraits* g_traits = &truetypeTraits();

bool testPrepare(HostExportCall& call, bool fileMode) {
    ++g_prepareCalls;
    g_lastFileMode = fileMode;
    g_session.aborted = 0;
    call.field120 = 0;
    if (call.targetHandle) {
        platform::closeSystemHandle(call.targetHandle);
        call.targetHandle = 0;
    }
    return g_prepareResult;
}
int32_t testFinish(HostExportCall& call, bool fileMode) {
    ++g_finishCalls;
    g_lastFileMode = fileMode;
    int32_t r = g_session.aborted ? 0 : 1;
    releaseHostValue(call);
    destroySettingsRecord(call);
    return r;
}
ExportSessionBase& testSession() {
    return g_session;
}
uint16_t GX_STDCALL testCapture(const int32_t* p, const uint8_t* t, int32_t n, uint32_t) {
    return captureObject(g_session, *g_traits, p, t, n);
}
const PluginDriver kDriver{testPrepare, testFinish, testSession, testCapture};

// ---------------------------------------------------------------- the test host

struct Recorded {
    int requests = 0;
    int32_t code = 0;
    std::vector<uint8_t> options;
    PageExtent page{};
    uint16_t driverKind = 0;
    std::vector<uint8_t> driverBytes;
    CaptureObjectFn capture = nullptr;
    uint32_t one8 = 0, zero40 = 99;
    uint16_t one16 = 0;
    uint32_t hostValues[5] = {};
    std::vector<uint32_t> released;
    std::vector<std::vector<int32_t>> objectPoints;
    std::vector<std::vector<uint8_t>> objectTypes;
    std::vector<uint16_t> captureResults;
    std::vector<std::string> messages;
} g_rec;

uint32_t GX_STDCALL recordRequest(int32_t code, ExportRequestBlock* b) {
    ++g_rec.requests;
    g_rec.code = code;
    auto* o = reinterpret_cast<const uint8_t*>(b->options);
    g_rec.options.assign(o, o + sizeof(ExportOptionsRecord));
    g_rec.page = *b->page;
    g_rec.driverKind = b->driver->kind;
    g_rec.capture = b->driver->captureObject;
    auto* d = reinterpret_cast<const uint8_t*>(b->driver);
    g_rec.driverBytes.assign(d, d + sizeof(ExportDriverRecord));
    g_rec.one8 = b->one8;
    g_rec.one16 = b->one16;
    g_rec.zero40 = b->zero40;
    std::memcpy(g_rec.hostValues, b->hostValues, sizeof g_rec.hostValues);
    for (size_t i = 0; i < g_rec.objectPoints.size(); ++i) {
        g_rec.captureResults.push_back(g_rec.capture(g_rec.objectPoints[i].data(),
                                                     g_rec.objectTypes[i].data(),
                                                     int32_t(g_rec.objectTypes[i].size()), 0));
    }
    platform::freeHostRecord(b->driver);
    platform::freeHostRecord(b->options);
    return 77;
}
void GX_STDCALL recordRelease(uint32_t v) {
    g_rec.released.push_back(v);
}

int recordMessage(const char* text, const char* caption, unsigned) {
    g_rec.messages.push_back(std::string(caption) + ": " + text);
    return platform::kIdOk;
}

class ProtocolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_rec = Recorded{};
        g_session = ExportSessionBase{};
        g_prepareCalls = g_finishCalls = 0;
        g_prepareResult = true;
        g_traits = &truetypeTraits();
        callbacks_ = HostCallbackTable{};
        callbacks_.request = recordRequest;
        callbacks_.release = recordRelease;
        call_ = HostExportCall{};
        call_.target = &target_;
        call_.hostValues = hostValues_;
        call_.callbacks = &callbacks_;
        call_.field120 = 0xDEAD;
        state_ = FilterEntryState{};
        platform::setMessageBoxHandler(recordMessage);
    }
    void TearDown() override {
        platform::setMessageBoxHandler(nullptr);
        platform::injectHostRecordFailure(0);
    }
    int32_t run(int32_t command) { return runFilterEntry(state_, kDriver, command, &call_); }
    // The installed scripted user would replace the handler at begin; keep ours.
    int32_t begin() {
        int32_t r = run(kCommandBegin);
        platform::setMessageBoxHandler(recordMessage);
        return r;
    }
    void addObject(std::vector<int32_t> pts, std::vector<uint8_t> types) {
        g_rec.objectPoints.push_back(std::move(pts));
        g_rec.objectTypes.push_back(std::move(types));
    }

    HostCallbackTable callbacks_{};
    ExportTargetInfo target_{0, 0, "font.ttf", 0};
    uint32_t hostValues_[5] = {11, 22, 33, 44, 55};
    HostExportCall call_{};
    FilterEntryState state_;
};

uint32_t u32At(const std::vector<uint8_t>& b, size_t off) {
    uint32_t v;
    std::memcpy(&v, b.data() + off, 4);
    return v;
}

TEST_F(ProtocolTest, BeginHandsTheHostItsRecords) {
    ASSERT_EQ(begin(), 1);
    EXPECT_EQ(g_rec.requests, 1);
    EXPECT_EQ(g_rec.code, 10);
    EXPECT_EQ(call_.requestValue, 77u);
    EXPECT_EQ(call_.field120, 0u);
    // PageExtent: 8.5 x 11 inches centred on the origin, y up.
    EXPECT_EQ(g_rec.page.left, -4250);
    EXPECT_EQ(g_rec.page.top, 5500);
    EXPECT_EQ(g_rec.page.right, 4250);
    EXPECT_EQ(g_rec.page.bottom, -5500);
    // Request block.
    EXPECT_EQ(g_rec.one8, 1u);
    EXPECT_EQ(g_rec.one16, 1u);
    EXPECT_EQ(g_rec.zero40, 0u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(g_rec.hostValues[i], hostValues_[i]);
    // Driver record: kind 40, the callback, zero elsewhere.
    EXPECT_EQ(g_rec.driverKind, 40);
    EXPECT_EQ(g_rec.capture, &testCapture);
    for (size_t i = 2; i < offsetof(ExportDriverRecord, captureObject); ++i)
        ASSERT_EQ(g_rec.driverBytes[i], 0) << "driver record byte " << i;
}

TEST_F(ProtocolTest, OptionsRecordHoldsExactlyTheTabledValues) {
    ASSERT_EQ(begin(), 1);
    ASSERT_EQ(g_rec.options.size(), 140u);
    const std::pair<size_t, uint32_t> expected[] = {{0, 2},  {4, 1},      {36, 1},    {40, 1},
                                                    {96, 1}, {108, 4096}, {112, 450}, {116, 1}};
    for (size_t off = 0; off < 128; off += 4) {
        uint32_t want = 0;
        for (auto& e : expected)
            if (e.first == off) want = e.second;
        EXPECT_EQ(u32At(g_rec.options, off), want) << "offset " << off;
    }
    for (size_t off = 128; off < 140; ++off) EXPECT_EQ(g_rec.options[off], 0) << "offset " << off;
}

TEST_F(ProtocolTest, FileModeLastsForOneExportAndUnknownCommandsDoNothing) {
    EXPECT_EQ(run(42), 1);  // the first call clears the latch
    EXPECT_EQ(run(kCommandFileMode), 1);
    begin();
    EXPECT_TRUE(g_lastFileMode);
    run(kCommandFinish);
    EXPECT_TRUE(g_lastFileMode);
    begin();
    EXPECT_FALSE(g_lastFileMode) << "the flag is cleared after every finish";
    EXPECT_EQ(run(-1), 1);
    EXPECT_EQ(g_prepareCalls, 2);
    EXPECT_EQ(g_finishCalls, 1);
}

TEST_F(ProtocolTest, FirstCallLatchClearsAStaleFlagButAFirstNineStillSetsIt) {
    state_.fileMode = true;  // as if left over
    begin();
    EXPECT_FALSE(g_lastFileMode);
    FilterEntryState fresh;
    fresh.fileMode = true;
    EXPECT_EQ(runFilterEntry(fresh, kDriver, kCommandFileMode, &call_), 1);
    EXPECT_TRUE(fresh.fileMode);
    EXPECT_FALSE(fresh.firstCall);
}

TEST_F(ProtocolTest, BeginWithoutFinishKeepsTheFlagForTheNextBegin) {
    run(kCommandFileMode);
    begin();
    begin();
    EXPECT_TRUE(g_lastFileMode);
}

TEST_F(ProtocolTest, HandleAtOffset64IsClosedOnceAndZeroed) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    call_.targetHandle = static_cast<uint32_t>(fds[0]);
    begin();
    EXPECT_EQ(call_.targetHandle, 0u);
    EXPECT_EQ(::fcntl(fds[0], F_GETFD), -1) << "the handle was not closed";
    ::close(fds[1]);
    begin();  // a zero handle is left alone
    EXPECT_EQ(call_.targetHandle, 0u);
}

TEST_F(ProtocolTest, FailedRecordAllocationReturnsZeroAndAsksNothing) {
    platform::injectHostRecordFailure(2);  // the 140-byte block
    EXPECT_EQ(begin(), 0);
    EXPECT_EQ(g_rec.requests, 0);
    platform::injectHostRecordFailure(1);
    EXPECT_EQ(begin(), 0);
    EXPECT_EQ(g_rec.requests, 0);
    g_prepareResult = false;
    EXPECT_EQ(begin(), 0);
    EXPECT_EQ(g_rec.requests, 0);
}

TEST_F(ProtocolTest, FinishReleasesTheHostValueAndTheSettingsRecord) {
    begin();
    call_.pluginSlot = new FontExportSettings();
    EXPECT_EQ(run(kCommandFinish), 1);
    ASSERT_EQ(g_rec.released.size(), 1u);
    EXPECT_EQ(g_rec.released[0], 77u);
    EXPECT_EQ(call_.requestValue, 0u);
    EXPECT_EQ(call_.pluginSlot, nullptr);
}

// ---------------------------------------------------------------- capture

const std::vector<int32_t> kSquare = {0, 0, 1000, 0, 1000, 1000, 0, 1000};

TEST_F(ProtocolTest, ClosedObjectIsCopied) {
    addObject(kSquare, {0, 64, 64, 64 | 8});
    begin();
    ASSERT_EQ(g_rec.captureResults, std::vector<uint16_t>{0});
    EXPECT_EQ(g_session.outline.count, 4);
    EXPECT_EQ(g_session.outline.points, kSquare);
    EXPECT_EQ(g_session.outline.types, (std::vector<uint8_t>{0, 64, 64, 72}));
    EXPECT_TRUE(g_rec.messages.empty());
    EXPECT_EQ(run(kCommandFinish), 1);
}

TEST(ClosedPathTest, EachSubpathNeedsItsClosingMark) {
    auto closed = [](std::vector<uint8_t> t) {
        return outlineIsClosed(t.data(), int32_t(t.size()));
    };
    EXPECT_TRUE(closed({0, 64, 64, 72}));
    EXPECT_FALSE(closed({0, 64, 64, 64}));
    EXPECT_FALSE(closed({0, 64, 64, 0, 64, 72})) << "only the second subpath is closed";
    EXPECT_FALSE(closed({0, 64, 72, 0, 64, 64})) << "only the first subpath is closed";
    EXPECT_TRUE(closed({8, 64, 64})) << "a mark on the start node closes the subpath";
    EXPECT_TRUE(closed({64, 64, 0, 72})) << "nodes before the first start count as closed";
    EXPECT_TRUE(closed({0, 192, 192, 128 | 8}));
    EXPECT_TRUE(closed({}));
}

TEST_F(ProtocolTest, OpenObjectIsRefusedWithItsMessage) {
    addObject(kSquare, {0, 64, 64, 64});
    begin();
    EXPECT_EQ(g_rec.captureResults, std::vector<uint16_t>{3});
    ASSERT_EQ(g_rec.messages.size(), 1u);
    EXPECT_EQ(g_rec.messages[0], "TrueType Export: Object(s) are not closed");
    EXPECT_EQ(g_session.aborted, 1);
    EXPECT_EQ(run(kCommandFinish), 0);
}

TEST_F(ProtocolTest, SecondObjectIsRefusedAndTheThirdGetsTheAbortedCode) {
    for (int i = 0; i < 3; ++i) addObject(kSquare, {0, 64, 64, 72});
    begin();
    EXPECT_EQ(g_rec.captureResults, (std::vector<uint16_t>{0, 2, 2}));
    ASSERT_EQ(g_rec.messages.size(), 1u) << "nothing is reported twice";
    EXPECT_EQ(g_rec.messages[0], "TrueType Export: Too many objects to export");
    EXPECT_EQ(g_session.outline.count, 0) << "the first object's copy is released";
    EXPECT_TRUE(g_session.outline.points.empty());
    EXPECT_EQ(run(kCommandFinish), 0);
}

TEST_F(ProtocolTest, Type1ResultCodes) {
    g_traits = &type1Traits();
    for (int i = 0; i < 3; ++i) addObject(kSquare, {0, 64, 64, 72});
    begin();
    EXPECT_EQ(g_rec.captureResults, (std::vector<uint16_t>{0, 1, 0}));
    EXPECT_EQ(g_rec.messages.at(0), "Adobe Type 1 Export: Too many objects to export");
    g_rec = Recorded{};
    addObject(kSquare, {0, 64, 64, 64});
    begin();
    EXPECT_EQ(g_rec.captureResults, std::vector<uint16_t>{1});
}

TEST_F(ProtocolTest, EmptyObjectIsAccepted) {
    addObject({}, {});
    begin();
    EXPECT_EQ(g_rec.captureResults, std::vector<uint16_t>{0});
    EXPECT_EQ(g_session.outline.count, 0);
    EXPECT_EQ(run(kCommandFinish), 1);
}

TEST_F(ProtocolTest, MoreNodesThanTheCountHoldsAreRefusedNotTruncated) {
    std::vector<uint8_t> types(32768, 64);
    types[0] = 0;
    types.back() = 72;
    addObject(std::vector<int32_t>(types.size() * 2, 5), types);
    begin();
    EXPECT_EQ(g_rec.captureResults, std::vector<uint16_t>{3});
    ASSERT_EQ(g_rec.messages.size(), 1u);
    EXPECT_NE(g_rec.messages[0].find("too many nodes"), std::string::npos);
    EXPECT_EQ(g_session.outline.count, 0);

    g_rec = Recorded{};
    types.pop_back();
    types.back() = 72;
    addObject(std::vector<int32_t>(types.size() * 2, 5), types);
    begin();
    EXPECT_EQ(g_rec.captureResults, std::vector<uint16_t>{0});
    EXPECT_EQ(g_session.outline.count, 32767);
}

TEST_F(ProtocolTest, BeginRewindsTheCountSoAnotherExportCanCapture) {
    addObject(kSquare, {0, 64, 64, 72});
    begin();
    run(kCommandFinish);
    g_rec.captureResults.clear();
    begin();
    EXPECT_EQ(g_rec.captureResults, std::vector<uint16_t>{0});
}

}  // namespace
}  // namespace gx
