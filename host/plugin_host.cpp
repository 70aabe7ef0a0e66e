#include "plugin_host.h"

#include <cstdlib>
#include <cstring>

#include "entry/host_abi.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#include <climits>
#endif

namespace gx::host {
namespace {

using FilterEntryFn = int32_t(GX_STDCALL*)(int32_t, HostExportCall*);

// The request entry has no context argument, so the job being run is module state,
// as it would be in a drawing program.
const ExportJob* g_job = nullptr;
ExportOutcome* g_outcome = nullptr;

void freeRecord(void* p) {
#ifdef _WIN32
    HGLOBAL h = GlobalHandle(p);
    if (h) {
        GlobalUnlock(h);
        GlobalFree(h);
    }
#else
    std::free(p);
#endif
}

uint32_t GX_STDCALL hostRequest(int32_t code, ExportRequestBlock* block) {
    if (code != kRequestCode || !block || !g_job || !g_outcome) return 0;
    g_outcome->requestCalled = true;
    CaptureObjectFn capture = block->driver ? block->driver->captureObject : nullptr;
    if (capture) {
        for (const HostOutline& o : g_job->objects) {
            g_outcome->captureResults.push_back(
                capture(o.points.data(), o.types.data(), static_cast<int32_t>(o.types.size()), 0));
        }
    }
    // The records are the host's once the request is answered.
    freeRecord(block->driver);
    freeRecord(block->options);
    return 0x5A5A;  // any non-zero token; it comes back through the release entry
}

void GX_STDCALL hostRelease(uint32_t) {}

void GX_STDCALL hostHelpPath(char* buffer, int32_t size) {
    if (!buffer || size <= 0) return;
    std::string path = g_job ? g_job->helpFile : std::string();
    std::strncpy(buffer, path.c_str(), size_t(size) - 1);
    buffer[size - 1] = '\0';
}

void hostHelp(void*, const char*, uintptr_t, intptr_t, int32_t) {}

}  // namespace

std::string pluginFileName(bool truetype) {
#ifdef _WIN32
    return truetype ? "truetype_export.dll" : "type1_export.dll";
#else
    return truetype ? "libtruetype_export.so" : "libtype1_export.so";
#endif
}

std::string pluginDirectory(const char* argv0) {
    const char* env = std::getenv("GLYPH_EXPORT_PLUGIN_DIR");
    if (env && *env) return env;
#ifdef _WIN32
    char buf[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string exe = n > 0 && n < MAX_PATH ? std::string(buf, n) : std::string(argv0 ? argv0 : "");
    size_t slash = exe.find_last_of("\\/");
#else
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string exe = n > 0 ? std::string(buf, size_t(n)) : std::string(argv0 ? argv0 : "");
    size_t slash = exe.find_last_of('/');
#endif
    return slash == std::string::npos ? "." : exe.substr(0, slash);
}

Plugin loadPlugin(const std::string& path) {
    Plugin plugin;
#ifdef _WIN32
    HMODULE lib = LoadLibraryA(path.c_str());
    if (lib) plugin.entry = reinterpret_cast<void*>(GetProcAddress(lib, "FilterEntry"));
    if (!lib) plugin.error = "cannot load " + path;
#else
    void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (lib) plugin.entry = ::dlsym(lib, "FilterEntry");
    if (!lib) plugin.error = ::dlerror();
#endif
    if (lib && !plugin.entry) plugin.error = path + " has no FilterEntry";
    return plugin;
}

ExportOutcome runExport(const ExportJob& job) {
    return runExport(loadPlugin(job.pluginPath), job);
}

ExportOutcome runExport(const Plugin& plugin, const ExportJob& job) {
    ExportOutcome outcome;
    if (!plugin.entry) {
        outcome.loadError = plugin.error;
        return outcome;
    }
    FilterEntryFn entry = reinterpret_cast<FilterEntryFn>(plugin.entry);
    outcome.loaded = true;

    static HostCallbackTable callbacks = [] {
        HostCallbackTable t{};
        t.request = hostRequest;
        t.release = hostRelease;
        t.help = hostHelp;
        t.contextHelp = hostHelp;
        t.helpFilePath = hostHelpPath;
        return t;
    }();
#ifdef _WIN32
    // The profile functions look for a bare or relative name in the Windows folder;
    // the user meant the current one.
    std::string iniPath = job.iniPath;
    char full[MAX_PATH];
    DWORD n = iniPath.empty() ? 0 : GetFullPathNameA(iniPath.c_str(), MAX_PATH, full, nullptr);
    if (n > 0 && n < MAX_PATH) iniPath.assign(full, n);
#else
    const std::string& iniPath = job.iniPath;
#endif
    ExportTargetInfo target{job.originX, job.originY, job.target.c_str(), 0};
    const uint32_t hostValues[5] = {0, 0, 0, 0, 0};
    HostExportCall call{};
    call.target = &target;
    call.hostValues = hostValues;
    call.iniPath = iniPath.c_str();
    call.callbacks = &callbacks;

    g_job = &job;
    g_outcome = &outcome;
    if (job.fileMode) entry(kCommandFileMode, &call);
    outcome.beginResult = entry(kCommandBegin, &call);
    if (outcome.beginResult) outcome.finishResult = entry(kCommandFinish, &call);
    g_job = nullptr;
    g_outcome = nullptr;
    return outcome;
}

}  // namespace gx::host
