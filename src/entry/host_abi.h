// The records the drawing host and the plug-ins exchange. On a 32-bit target every
// field sits at the host's fixed offset (proven below); on 64-bit the same fields
// stand in the same order with native pointers, so our own host and plug-ins agree.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define GX_STDCALL __stdcall
#else
#define GX_STDCALL
#endif

#if defined(_WIN32)
#define GX_EXPORT
#else
#define GX_EXPORT __attribute__((visibility("default")))
#endif

namespace gx {

struct ExportRequestBlock;

using HostRequestFn = uint32_t(GX_STDCALL*)(int32_t code, ExportRequestBlock* block);
using HostReleaseFn = void(GX_STDCALL*)(uint32_t value);
using HostHelpPathFn = void(GX_STDCALL*)(char* buffer, int32_t size);
// The two help entries leave their arguments to the caller (cdecl).
using HostHelpFn = void (*)(void* instance, const char* helpFile, uintptr_t wParam, intptr_t lParam,
                            int32_t templateId);

using CaptureObjectFn = uint16_t(GX_STDCALL*)(const int32_t* points, const uint8_t* types,
                                              int32_t count, uint32_t reserved);

// The host's entry-point table; entries are reached by their place (6th, 7th, 52nd,
// 53rd, 140th), the others are the host's own business.
struct HostCallbackTable {
    void* reserved0[5];
    HostRequestFn request;  // 6th
    HostReleaseFn release;  // 7th
    void* reserved7[44];
    HostHelpFn help;         // 52nd
    HostHelpFn contextHelp;  // 53rd
    void* reserved53[86];
    HostHelpPathFn helpFilePath;  // 140th
};

struct ExportTargetInfo {
    int32_t originX;  // host units, 254000 per inch
    int32_t originY;
    const char* path;  // font file path, or in symbol mode the family name
    uint32_t reserved;
};

struct HostExportCall {
    uint8_t reserved0[52];
    uint32_t prepared;  // 52: zeroed at the end of preparation
    uint8_t reserved56[8];
    uint32_t targetHandle;  // 64: a system handle the host may have opened on the target
    uint8_t reserved68[20];
    uint32_t requestValue;  // 88: the request entry's result, released at finish
    uint8_t reserved92[28];
    uint32_t field120;  // 120: zeroed at begin
    uint8_t reserved124[28];
    const ExportTargetInfo* target;  // 152
    uint8_t reserved156[40];
    const uint32_t* hostValues;  // 196: five values copied into the request block
    uint8_t reserved200[8];
    uintptr_t hostWindow;  // 208
    uint8_t reserved212[52];
    const char* iniPath;                 // 264
    const HostCallbackTable* callbacks;  // 268
    uint8_t reserved272[12];
    void* pluginSlot;  // 284: the plug-in's settings record during finish
};

struct PageExtent {
    int32_t left, top, right, bottom;
};

struct ExportOptionsRecord {
    uint32_t values[32];  // offsets 0 to 124
    uint16_t tail[5];     // offsets 128 to 136
    uint16_t pad;
};

struct ExportDriverRecord {
    uint16_t kind;  // 40
    uint8_t reserved2[154];
    CaptureObjectFn captureObject;  // 156
    uint8_t reserved160[20];
};

struct ExportRequestBlock {
    ExportOptionsRecord* options;
    PageExtent* page;
    uint32_t one8;  // 1
    ExportDriverRecord* driver;
    uint16_t one16;  // 1
    uint16_t unset18;
    uint32_t hostValues[5];
    uint32_t zero40;
};

inline constexpr int kRequestCode = 10;
inline constexpr int kCommandBegin = 5;
inline constexpr int kCommandFinish = 7;
inline constexpr int kCommandFileMode = 9;
inline constexpr uint16_t kDriverRecordKind = 40;
inline constexpr PageExtent kPageExtent = {-4250, 5500, 4250, -5500};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(offsetof(HostCallbackTable, request) == 20);
static_assert(offsetof(HostCallbackTable, release) == 24);
static_assert(offsetof(HostCallbackTable, help) == 204);
static_assert(offsetof(HostCallbackTable, contextHelp) == 208);
static_assert(offsetof(HostCallbackTable, helpFilePath) == 556);
static_assert(offsetof(ExportTargetInfo, originY) == 4);
static_assert(offsetof(ExportTargetInfo, path) == 8);
static_assert(offsetof(ExportTargetInfo, reserved) == 12);
static_assert(offsetof(HostExportCall, prepared) == 52);
static_assert(offsetof(HostExportCall, targetHandle) == 64);
static_assert(offsetof(HostExportCall, requestValue) == 88);
static_assert(offsetof(HostExportCall, field120) == 120);
static_assert(offsetof(HostExportCall, target) == 152);
static_assert(offsetof(HostExportCall, hostValues) == 196);
static_assert(offsetof(HostExportCall, hostWindow) == 208);
static_assert(offsetof(HostExportCall, iniPath) == 264);
static_assert(offsetof(HostExportCall, callbacks) == 268);
static_assert(offsetof(HostExportCall, pluginSlot) == 284);
static_assert(sizeof(PageExtent) == 16);
static_assert(sizeof(ExportOptionsRecord) == 140);
static_assert(offsetof(ExportOptionsRecord, tail) == 128);
static_assert(sizeof(ExportDriverRecord) == 180);
static_assert(offsetof(ExportDriverRecord, captureObject) == 156);
static_assert(sizeof(ExportRequestBlock) == 44);
static_assert(offsetof(ExportRequestBlock, page) == 4);
static_assert(offsetof(ExportRequestBlock, one8) == 8);
static_assert(offsetof(ExportRequestBlock, driver) == 12);
static_assert(offsetof(ExportRequestBlock, one16) == 16);
static_assert(offsetof(ExportRequestBlock, hostValues) == 20);
static_assert(offsetof(ExportRequestBlock, zero40) == 40);
#endif

}  // namespace gx
