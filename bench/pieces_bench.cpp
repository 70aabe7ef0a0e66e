// In-process pieces of one export: the settings store, the SVG reader, the dialog script
// and a whole FilterEntry export through the loaded plug-in. Files go to $TMPDIR (a RAM
// disk there shows the computing cost alone).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "cli_support.h"
#include "platform/platform.h"
#include "plugin_host.h"
#include "svg/svg_reader.h"
#include "ui/settings.h"

namespace {

using namespace gx;

std::string tempPath(const char* name) {
    return platform::tempDirectory() + "/gx-bench-" + std::to_string(::getpid()) + "-" + name;
}

// Runs `work` with standard output (the "Wrote ..." report) going nowhere, so that only the
// benchmark's own table is printed there.
template <class Work>
auto withoutReport(Work work) {
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, STDOUT_FILENO);
    auto result = work();
    std::fflush(stdout);
    if (saved >= 0) ::dup2(saved, STDOUT_FILENO);
    if (null >= 0) ::close(null);
    if (saved >= 0) ::close(saved);
    return result;
}

std::string shapeText(int i) {
    const int n = 100 + (i * 37) % 600;
    std::ostringstream s;
    s << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10in\" height=\"10in\" "
         "viewBox=\"0 0 1000 1000\"><path d=\"M 100,900 L 100,200 L "
      << n << ",100 L 900,200 L 900,900 Z M 250,750 L 750,750 L 750,350 L " << n
      << ",250 L 250,350 Z\"/></svg>\n";
    return s.str();
}

void BM_SettingsWrite(benchmark::State& state) {
    const std::string ini = tempPath("settings.ini");
    SessionSettings s = defaultSettings(PluginKind::TrueType);
    for (auto _ : state) {
        s.charNumber = int16_t(33 + state.iterations() % 200);
        writeExportSettings(PluginKind::TrueType, ini, s);
    }
    std::remove(ini.c_str());
}
BENCHMARK(BM_SettingsWrite)->Unit(benchmark::kMicrosecond);

void BM_SettingsRead(benchmark::State& state) {
    const std::string ini = tempPath("settings-read.ini");
    writeExportSettings(PluginKind::TrueType, ini, defaultSettings(PluginKind::TrueType));
    for (auto _ : state) {
        SessionSettings s = defaultSettings(PluginKind::TrueType);
        readExportSettings(PluginKind::TrueType, ini, false, s);
        benchmark::DoNotOptimize(s.charNumber);
    }
    std::remove(ini.c_str());
}
BENCHMARK(BM_SettingsRead)->Unit(benchmark::kMicrosecond);

void BM_ReadSvg(benchmark::State& state) {
    const std::string text = shapeText(7);
    for (auto _ : state) {
        host::SvgResult r = host::readSvgText(text, "shape.svg", host::SvgOptions{});
        benchmark::DoNotOptimize(r.outline.points.data());
    }
}
BENCHMARK(BM_ReadSvg)->Unit(benchmark::kMicrosecond);

void BM_DialogScript(benchmark::State& state) {
    host::DialogChoices c;
    c.charCode = 65;
    c.designSizeThousandths = 10000;
    for (auto _ : state) benchmark::DoNotOptimize(host::dialogScript(c, false));
}
BENCHMARK(BM_DialogScript);

// Whole batches through glyph-export's own code path (plug-in loaded, FilterEntry per shape,
// the font saved), into a new font each time.
void exportBatch(benchmark::State& state, host::TargetKind kind, const char* ext) {
    const int count = int(state.range(0));
    std::vector<std::string> shapes;
    for (int i = 0; i < count; ++i) {
        shapes.push_back(tempPath((std::to_string(33 + i) + ".svg").c_str()));
        std::ofstream(shapes.back()) << shapeText(i);
    }
    const std::string font = tempPath((std::string("font.") + ext).c_str());
    host::RunRequest req;
    req.kind = kind;
    req.target = font;
    req.shapes = shapes;
    req.iniPath = tempPath("batch.ini");
    req.pluginDir = GX_PLUGIN_DIR;
    req.emFromSvg = true;
    auto clean = [&] {
        for (const char* e : {"", ".bak", ".afm", ".pfm"}) {
            std::string p = font;
            if (*e) p = p.substr(0, p.rfind('.')) + e;
            std::remove(p.c_str());
        }
        std::remove(req.iniPath.c_str());
    };
    for (auto _ : state) {
        state.PauseTiming();
        clean();
        state.ResumeTiming();
        if (withoutReport([&] { return host::runRequest(req); }) != host::RunStatus::Written)
            state.SkipWithError("export failed");
    }
    // Seconds per shape.
    state.counters["per_shape"] = benchmark::Counter(
        double(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    clean();
    for (const std::string& s : shapes) std::remove(s.c_str());
}

void BM_TrueTypeBatch(benchmark::State& state) {
    exportBatch(state, host::TargetKind::TrueType, "ttf");
}
BENCHMARK(BM_TrueTypeBatch)->Arg(1)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_Type1Batch(benchmark::State& state) {
    exportBatch(state, host::TargetKind::Type1, "pfb");
}
BENCHMARK(BM_Type1Batch)->Arg(1)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
