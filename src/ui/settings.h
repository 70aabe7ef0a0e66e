// The user's export choices, their defaults and their INI store.
#pragma once

#include <cstdint>
#include <string>

namespace gx {

struct HostExportCall;

enum class FontStyle : uint8_t { Normal = 0, Bold = 1, Italic = 2, BoldItalic = 3 };

// What the dialogs edit; lives in the host record's plug-in slot during finish.
struct FontExportSettings {
    int16_t spaceWidth = 0;
    uint8_t style = 0;
    uint16_t gridSize = 0;
    int16_t charNumber = 0;
    int16_t charWidth = 0;
    int16_t designSize = 0;
    int16_t designSizeUnit = 20;
    int32_t exportSymbol = 0;
    int16_t autoWidth = 0;
    int16_t fontExists = 0;
    std::string familyName;  // at most 80 characters
};

inline constexpr int kThousandthsOfInch = 20;  // unit code of the design size
inline constexpr size_t kMaxFamilyNameInSession = 59;
inline constexpr size_t kMaxFamilyNameInDialog = 80;

// The session's own copies of the settings (design size always in thousandths of an inch).
struct SessionSettings {
    std::string familyName;  // at most 59 characters
    uint8_t style = 0;
    uint16_t gridSize = 2048;
    int16_t designSize = 10000;
    int16_t designSizeUnit = kThousandthsOfInch;
    int16_t spaceWidth = 2048;
    int16_t charNumber = 33;
    int16_t charWidth = 2048;
    int16_t autoWidth = 1;
    int16_t symbolFont = 1;
};

enum class PluginKind { TrueType, Type1 };

// The defaults set at the start of every finish command.
SessionSettings defaultSettings(PluginKind kind);
const char* settingsSection(PluginKind kind);  // "TTF Filter" / "AT1 Filter"

// Reads the plug-in's INI section into the session copies; a missing key keeps the value.
void readExportSettings(PluginKind kind, const std::string& iniPath, bool newFont,
                        SessionSettings& s);
// Writes all eight keys in their fixed order.
void writeExportSettings(PluginKind kind, const std::string& iniPath, const SessionSettings& s);
FontExportSettings settingsFromSession(const SessionSettings& s, bool fontExists);
// Copies the record back: the family name cut to 59 characters, the design size
// converted to thousandths of an inch.
void settingsToSession(const FontExportSettings& f, SessionSettings& s);

}  // namespace gx
