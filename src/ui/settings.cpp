#include "ui/settings.h"

#include <string>

#include "platform/platform.h"
#include "support/charlist.h"
#include "support/units.h"

namespace gx {

SessionSettings defaultSettings(PluginKind kind) {
    SessionSettings s;
    if (kind == PluginKind::Type1) {
        s.gridSize = 1000;
        s.spaceWidth = 1000;
        s.symbolFont = 0;
    }
    return s;
}

const char* settingsSection(PluginKind kind) {
    return kind == PluginKind::TrueType ? "TTF Filter" : "AT1 Filter";
}

namespace {
int16_t readKey(const std::string& ini, const char* section, const char* key, int current) {
    return static_cast<int16_t>(platform::profileGetInt(ini, section, key, current));
}
}  // namespace

void readExportSettings(PluginKind kind, const std::string& iniPath, bool newFont,
                        SessionSettings& s) {
    const char* sec = settingsSection(kind);
    // One read of the file for all the keys.
    const bool held = platform::profileHold(iniPath);
    s.autoWidth = readKey(iniPath, sec, "AutoWidth", s.autoWidth);
    s.charWidth = readKey(iniPath, sec, "CharWidth", s.charWidth);
    s.designSize = readKey(iniPath, sec, "DesignSize", s.designSize);
    if (newFont) {
        s.spaceWidth = readKey(iniPath, sec, "SpaceWidth", s.spaceWidth);
        s.symbolFont = readKey(iniPath, sec, "ExportSymbol", s.symbolFont);
        s.gridSize = static_cast<uint16_t>(readKey(iniPath, sec, "GridSize", s.gridSize));
        s.style = static_cast<uint8_t>(platform::profileGetInt(iniPath, sec, "Style", s.style));
        if (held) platform::profileFlush();
        return;
    }
    int16_t stored = readKey(iniPath, sec, "CharNumber", s.charNumber);
    if (kind == PluginKind::TrueType) {
        int16_t next = static_cast<int16_t>(stored + 1);
        s.charNumber = int16_t(offeredCodeFrom((next & 0xFF) == 0 ? 33 : next));
    } else {
        s.charNumber = stored;  // the session adds one after reading the font
    }
    if (held) platform::profileFlush();
}

void writeExportSettings(PluginKind kind, const std::string& iniPath, const SessionSettings& s) {
    const char* sec = settingsSection(kind);
    const std::pair<const char*, int> keys[] = {
        {"AutoWidth", s.autoWidth},     {"CharWidth", s.charWidth},   {"SpaceWidth", s.spaceWidth},
        {"ExportSymbol", s.symbolFont}, {"GridSize", s.gridSize},     {"Style", s.style},
        {"DesignSize", s.designSize},   {"CharNumber", s.charNumber},
    };
    // The eight keys go to the file in one write (at the end of a batch, for a batch).
    platform::profileHold(iniPath);
    for (const auto& [key, value] : keys)
        platform::profileWriteString(iniPath, sec, key, std::to_string(value));
    platform::profileFlush();
}

FontExportSettings settingsFromSession(const SessionSettings& s, bool fontExists) {
    FontExportSettings f;
    f.familyName = s.familyName;
    f.charNumber = s.charNumber;
    f.exportSymbol = s.symbolFont;
    f.style = s.style;
    f.gridSize = s.gridSize;
    f.designSize = s.designSize;
    f.designSizeUnit = kThousandthsOfInch;
    f.spaceWidth = s.spaceWidth;
    f.charWidth = s.charWidth;
    f.autoWidth = s.autoWidth;
    f.fontExists = fontExists ? 1 : 0;
    return f;
}

void settingsToSession(const FontExportSettings& f, SessionSettings& s) {
    s.familyName = f.familyName.substr(0, kMaxFamilyNameInSession);
    s.style = f.style;
    s.gridSize = f.gridSize;
    s.spaceWidth = f.spaceWidth;
    s.autoWidth = f.autoWidth;
    s.charWidth = f.charWidth;
    s.charNumber = f.charNumber;
    s.symbolFont = f.exportSymbol != 0 ? 1 : 0;
    double thousandths = f.designSizeUnit == kThousandthsOfInch
                             ? f.designSize
                             : convertUnits(kThousandthsOfInch, f.designSizeUnit, f.designSize);
    // A value outside the 16-bit field (only a corrupt record can hold one) is pinned
    // to its end rather than converted with undefined behaviour.
    if (!(thousandths > -32768.0)) thousandths = -32768.0;
    if (!(thousandths < 32767.0)) thousandths = 32767.0;
    s.designSize = static_cast<int16_t>(static_cast<int>(thousandths));
    s.designSizeUnit = kThousandthsOfInch;
}

}  // namespace gx
