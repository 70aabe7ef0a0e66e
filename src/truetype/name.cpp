// name: the family name of an existing font; eight records for the rewritten one.
#include "truetype/tables.h"

namespace gx::tt {

bool readNameTable(BigEndianReader table, std::string& familyName) {
    uint16_t format, count, stringOffset;
    if (!table.readU16(format) || !table.readU16(count) || !table.readU16(stringOffset))
        return false;
    bool haveMac = false, haveWindows = false;
    std::string mac, windows;
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
            // UTF-16 names of fonts without a Macintosh record; 8-bit text is all we keep.
            for (uint16_t k = 0; k + 1 < length; k += 2) {
                uint16_t c;
                if (!s.readU16(c) || c == 0) break;
                text.push_back(c < 256 ? char(c) : '?');
            }
            windows = text;
            haveWindows = true;
        }
    }
    if (!haveMac && !haveWindows) return false;
    familyName = haveMac ? mac : windows;
    // The family-name field holds 80 characters.
    if (familyName.size() > kMaxFamilyNameInDialog) familyName.resize(kMaxFamilyNameInDialog);
    return true;
}

void writeNameTable(const SessionSettings& settings, BigEndianWriter& out) {
    static const char* const kStyleNames[4] = {"Regular", "Bold", "Italic", "Bold Italic"};
    static const char* const kSuffixes[4] = {"", " Bold", " Italic", " Bold Italic"};
    const int style = settings.style & 3;
    const std::string& family = settings.familyName;
    const std::string strings[4] = {family, kStyleNames[style], family, family + kSuffixes[style]};
    const uint16_t windowsEncoding = settings.symbolFont ? 0 : 1;

    std::vector<uint8_t> storage;
    out.writeU16(0);    // format
    out.writeU16(8);    // count
    out.writeU16(102);  // stringOffset
    for (int windows = 0; windows < 2; ++windows) {
        for (int i = 0; i < 4; ++i) {
            const std::string& s = strings[i];
            out.writeU16(windows ? 3 : 1);
            out.writeU16(windows ? windowsEncoding : 0);
            out.writeU16(windows ? 0x0409 : 0);
            out.writeU16(uint16_t(i + 1));
            out.writeU16(uint16_t(s.size() * (windows ? 2 : 1)));
            out.writeU16(uint16_t(storage.size()));
            for (char c : s) {
                if (windows) storage.push_back(0);
                storage.push_back(uint8_t(c));
            }
        }
    }
    out.writeBytes(storage.data(), storage.size());
}

}  // namespace gx::tt
