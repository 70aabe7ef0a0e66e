// The user's export choices as the engines and the dialogs share them. Plain records
// with no behaviour, so the engines depend on nothing above them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gx {

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

}  // namespace gx
