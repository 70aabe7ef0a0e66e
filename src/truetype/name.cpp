// name: the family name of an existing font; eight records for the rewritten one.
#include "truetype/tables.h"

namespace gx::tt {

bool readNameTable(BigEndianReader table, std::string& familyName, std::u16string* wideFamily) {
    uint16_t format, count, stringOffset;
    if (!table.readU16(format) || !table.readU16(count) || !table.readU16(stringOffset))
        return false;
    bool haveMac = false, haveWindows = false, windowsWide = false;
    std::string mac, windows;
    std::u16string windowsText;
    for (uint16_t i = 0; i < count; ++i) {
        uint16_t platformID, encodingID, languageID, nameID, length, offset;
        if (!table.readU16(platformID) || !table.readU16(encodingID) ||
            !table.readU16(languageID) || !table.readU16(nameID) || !table.readU16(length) ||
            !table.readU16(offset))
            return false;
        if (nameID != 1) continue;
        const bool isMac = platformID == 1 && encodingID == 0;
        const bool isWindows = platformID == 3 && encodingID <= 1;
        if (!isMac && !isWindows) continue;
        BigEndianReader s = table;
        if (!s.seek(size_t(stringOffset) + offset)) continue;
        std::string text;
        if (isMac) {
            for (uint16_t k = 0; k < length; ++k) {
                uint8_t c;
                if (!s.readU8(c) || c == 0) break;
                text.push_back(char(c));
            }
            mac = text;
            haveMac = true;
        } else {
            // UTF-16 names of fonts without a Macintosh record: the settings hold 8-bit
            // text, so the name as the font has it is kept beside it for the writer.
            std::u16string wide;
            bool beyond8Bit = false;
            for (uint16_t k = 0; k + 1 < length; k += 2) {
                uint16_t c;
                if (!s.readU16(c) || c == 0) break;
                text.push_back(c < 256 ? char(c) : '?');
                wide.push_back(char16_t(c));
                if (c >= 256) beyond8Bit = true;
            }
            windows = text;
            windowsText = wide;
            windowsWide = beyond8Bit;
            haveWindows = true;
        }
    }
    if (!haveMac && !haveWindows) return false;
    familyName = haveMac ? mac : windows;
    // The family-name field holds 80 characters.
    if (familyName.size() > kMaxFamilyNameInDialog) familyName.resize(kMaxFamilyNameInDialog);
    if (wideFamily) *wideFamily = !haveMac && windowsWide ? windowsText : std::u16string();
    return true;
}

void writeNameTable(const FontFileState& font, const SessionSettings& settings,
                    BigEndianWriter& out) {
    static const char* const kStyleNames[4] = {"Regular", "Bold", "Italic", "Bold Italic"};
    static const char* const kSuffixes[4] = {"", " Bold", " Italic", " Bold Italic"};
    const int style = settings.style & 3;
    const uint16_t windowsEncoding = settings.symbolFont ? 0 : 1;
    auto widen = [](const std::string& s) {
        std::u16string w;
        for (char c : s) w.push_back(char16_t(uint8_t(c)));
        return w;
    };

    // A family name the 8-bit records cannot hold is the font's own, unchanged: it is
    // written as the font had it, in Windows records alone (the font had no Macintosh
    // one), rather than renaming the font.
    const bool keepWide =
        !font.isNew() && !font.wideFamily.empty() && settings.familyName == font.familyAsRead;
    const std::string& family = settings.familyName;
    const std::u16string wideFamily = keepWide ? font.wideFamily : widen(family);
    const std::string macStrings[4] = {family, kStyleNames[style], family,
                                       family + kSuffixes[style]};
    const std::u16string windowsStrings[4] = {wideFamily, widen(kStyleNames[style]), wideFamily,
                                              wideFamily + widen(kSuffixes[style])};
    const uint16_t count = keepWide ? 4 : 8;

    std::vector<uint8_t> storage;
    out.writeU16(0);  // format
    out.writeU16(count);
    out.writeU16(uint16_t(6 + 12 * count));  // stringOffset
    for (int windows = keepWide ? 1 : 0; windows < 2; ++windows) {
        for (int i = 0; i < 4; ++i) {
            out.writeU16(windows ? 3 : 1);
            out.writeU16(windows ? windowsEncoding : 0);
            out.writeU16(windows ? 0x0409 : 0);
            out.writeU16(uint16_t(i + 1));
            const size_t at = storage.size();
            if (windows) {
                for (char16_t c : windowsStrings[i]) {
                    storage.push_back(uint8_t(c >> 8));
                    storage.push_back(uint8_t(c));
                }
            } else {
                storage.insert(storage.end(), macStrings[i].begin(), macStrings[i].end());
            }
            out.writeU16(uint16_t(storage.size() - at));
            out.writeU16(uint16_t(at));
        }
    }
    out.writeBytes(storage.data(), storage.size());
}

}  // namespace gx::tt
