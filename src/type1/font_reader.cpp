#include "type1/font_reader.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <set>

#include "support/bytes.h"
#include "type1/charstring.h"
#include "type1/cipher.h"

namespace gx {
namespace {

// The decrypted text of one font, charstrings included, stays far below this; it
// bounds the memory a hostile file can make us take.
constexpr size_t kMaxCharStringsText = 4u << 20;
constexpr size_t kMaxTokenLength = 128;
constexpr long kMaxCharStringLengthRead = 65535;
// Arrays, dictionaries and strings of a font program hold far fewer elements; a larger
// count only makes the next reader of the font run out of memory.
constexpr long kMaxPsObjectSize = 65535;

bool isWhite(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == 0;
}
bool isHex(unsigned char c) {
    return std::isxdigit(c) != 0;
}
int hexValue(unsigned char c) {
    return c <= '9' ? c - '0' : (std::tolower(c) - 'a' + 10);
}

bool decryptEexec(const std::string& cipher, std::string& plain, std::string& error) {
    if (cipher.size() < 4) {
        error = "the encrypted part is too short";
        return false;
    }
    Type1Cipher ee(kEexecKey);
    plain.clear();
    plain.reserve(cipher.size() - 4);
    for (size_t i = 0; i < cipher.size(); ++i) {
        uint8_t b = ee.decrypt(uint8_t(cipher[i]));
        if (i >= 4) plain += char(b);
    }
    return true;
}

// The cleartext ends with the token "eexec"; the encrypted part follows after white
// space. As the published format says, it is hexadecimal when its first four bytes
// are hexadecimal digits and binary otherwise.
bool decodePlain(const uint8_t* data, size_t length, DecodedFontProgram& out, std::string& error) {
    const char* text = reinterpret_cast<const char*>(data);
    size_t at = std::string::npos;
    for (size_t i = 0; i + 5 <= length; ++i) {
        if (std::memcmp(text + i, "eexec", 5) != 0) continue;
        bool before = i == 0 || isWhite(data[i - 1]);
        bool after = i + 5 == length || isWhite(data[i + 5]);
        if (before && after) {
            at = i + 5;
            break;
        }
    }
    if (at == std::string::npos) {
        error = "no encrypted part (eexec) found";
        return false;
    }
    out.clearText.assign(text, at);
    size_t p = at;
    while (p < length && isWhite(data[p])) ++p;
    std::string cipher;
    if (length - p >= 4 && isHex(data[p]) && isHex(data[p + 1]) && isHex(data[p + 2]) &&
        isHex(data[p + 3])) {
        // Hexadecimal, possibly broken into lines; it ends at the first other character.
        int high = -1;
        for (; p < length; ++p) {
            unsigned char c = data[p];
            if (isWhite(c)) continue;
            if (!isHex(c)) break;
            if (high < 0) {
                high = hexValue(c);
            } else {
                cipher += char(high << 4 | hexValue(c));
                high = -1;
            }
        }
    } else {
        cipher.assign(text + p, length - p);
    }
    return decryptEexec(cipher, out.privateText, error);
}

bool decodePfb(const uint8_t* data, size_t length, DecodedFontProgram& out, std::string& error) {
    LittleEndianReader in(data, length);
    std::string clear, cipher;
    bool seenBinary = false;
    while (in.remaining() > 0) {
        uint8_t marker = 0, type = 0;
        if (!in.readU8(marker) || marker != 0x80 || !in.readU8(type)) {
            error = "bad segment marker at position " + std::to_string(in.offset());
            return false;
        }
        if (type == 3) break;
        uint32_t segmentLength = 0;
        if ((type != 1 && type != 2) || !in.readU32(segmentLength) ||
            segmentLength > in.remaining()) {
            error = "bad segment header at position " + std::to_string(in.offset());
            return false;
        }
        const char* p = reinterpret_cast<const char*>(in.data() + in.offset());
        if (type == 2) {
            cipher.append(p, segmentLength);
            seenBinary = true;
        } else if (!seenBinary) {
            clear.append(p, segmentLength);
        }
        in.skip(segmentLength);
    }
    if (!seenBinary) {
        // A PFB whose text segment holds the whole program in hexadecimal form.
        return decodePlain(reinterpret_cast<const uint8_t*>(clear.data()), clear.size(), out,
                           error);
    }
    out.clearText = clear;
    return decryptEexec(cipher, out.privateText, error);
}

struct Token {
    std::string text;
    size_t start = 0;
};

class Tokenizer {
  public:
    explicit Tokenizer(const std::string& text) : t_(text) {}

    // False at the end or on a malformed token (then `bad()` is set).
    bool next(Token& tok) {
        for (;;) {
            while (pos_ < t_.size() && isWhite(uint8_t(t_[pos_]))) ++pos_;
            if (pos_ >= t_.size()) return false;
            if (t_[pos_] != '%') break;
            while (pos_ < t_.size() && t_[pos_] != '\r' && t_[pos_] != '\n') ++pos_;
        }
        tok.start = pos_;
        char c = t_[pos_];
        if (c == '(') return readString(tok);
        if (std::strchr("[]{})", c)) {
            tok.text.assign(1, c);
            ++pos_;
            return true;
        }
        size_t p = pos_;
        while (p < t_.size()) {
            char d = t_[p];
            if (isWhite(uint8_t(d)) || std::strchr("[]{}()%", d) || (d == '/' && p > pos_)) break;
            ++p;
            if (p - pos_ > kMaxTokenLength) {
                bad_ = true;
                return false;
            }
        }
        tok.text.assign(t_, pos_, p - pos_);
        pos_ = p;
        // The one white-space character that ends a token belongs to it: binary
        // charstring data starts right after it.
        if (pos_ < t_.size() && isWhite(uint8_t(t_[pos_]))) ++pos_;
        return true;
    }

    // Takes n raw bytes from the current position.
    bool take(size_t n, std::string& out) {
        if (n > t_.size() - pos_) return false;
        out.assign(t_, pos_, n);
        pos_ += n;
        return true;
    }
    bool bad() const { return bad_; }

  private:
    // A string token "(...)" whole, nested parentheses and escapes honoured; its text
    // is the decoded content in parentheses.
    bool readString(Token& tok) {
        std::string content;
        int depth = 0;
        size_t p = pos_;
        for (; p < t_.size(); ++p) {
            char c = t_[p];
            if (c == '\\' && p + 1 < t_.size()) {
                content += t_[++p];
                continue;
            }
            if (c == '(') {
                if (depth++ == 0) continue;
            } else if (c == ')') {
                if (--depth == 0) break;
            }
            if (content.size() < 4096) content += c;
        }
        pos_ = p < t_.size() ? p + 1 : p;
        tok.text = "(" + content + ")";
        return true;
    }

    const std::string& t_;
    size_t pos_ = 0;
    bool bad_ = false;
};

bool equalsNoCase(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (std::tolower(uint8_t(a[i])) != std::tolower(uint8_t(b[i]))) return false;
    }
    return true;
}

// Digits with an optional sign, however many.
bool isDecimalRun(const std::string& token) {
    size_t i = token.size() > 1 && (token[0] == '-' || token[0] == '+') ? 1 : 0;
    if (i >= token.size()) return false;
    for (; i < token.size(); ++i)
        if (!std::isdigit(uint8_t(token[i]))) return false;
    return true;
}

int16_t toInt16(long v) {
    return int16_t(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

// Reads a number token as an integer, the fraction of a real number cut off.
bool parseNumber(const std::string& token, long& value) {
    if (parsePsInteger(token, value)) return true;
    size_t dot = token.find('.');
    if (dot == std::string::npos) return false;
    std::string whole = token.substr(0, dot);
    if (whole.empty() || whole == "-" || whole == "+") {
        value = 0;
        return token.size() > dot + 1 && std::isdigit(uint8_t(token[dot + 1]));
    }
    return parsePsInteger(whole, value);
}

class ProgramReader {
  public:
    ProgramReader(const std::string& text, Type1FontState& s, SessionSettings& settings)
        : text_(text), tok_(text), s_(s), settings_(settings) {}

    bool run(std::string& error) {
        Token t;
        while (nextToken(t)) {
            if (t.text == "/FontMatrix") {
                Token a, b;
                if (nextToken(a) && a.text == "[" && nextToken(b)) settings_.gridSize = 1000;
            } else if (t.text == "/FontBBox") {
                readFontBBox();
            } else if (t.text == "/FamilyName") {
                Token a;
                if (nextToken(a) && a.text[0] == '(') {
                    settings_.familyName = a.text.substr(1, a.text.size() - 2).substr(0, 78);
                }
            } else if (t.text == "/Weight") {
                Token a;
                if (nextToken(a) && a.text[0] == '(' &&
                    equalsNoCase(a.text.substr(1, a.text.size() - 2), "bold")) {
                    settings_.style |= 1;
                }
            } else if (t.text == "/ItalicAngle") {
                Token a;
                long v = 0;
                if (nextToken(a) && parseNumber(a.text, v)) {
                    s_.italicAngle = toInt16(v);
                    if (v != 0) settings_.style |= 2;
                }
            } else if (t.text == "/Encoding") {
                Token a;
                long n = 0;
                if (nextToken(a) && parsePsInteger(a.text, n) && n >= 1 && n <= 256) {
                    s_.symbol = 1;
                    readEncodingArray(int(n));
                } else {
                    // A later /Encoding replaces an earlier array whole; a name only
                    // the array gave would otherwise keep a code the file written
                    // back (StandardEncoding) does not give it.
                    s_.symbol = 0;
                    s_.useStandardEncoding();
                }
            } else if (t.text == "/Private") {
                return readPrivate(t.start, error);
            }
        }
        error = tok_.bad() ? "over-long token" : "the font program ends before its CharStrings";
        return false;
    }

  private:
    bool nextToken(Token& t) {
        if (!pending_.text.empty()) {
            t = pending_;
            pending_.text.clear();
            return true;
        }
        return tok_.next(t);
    }

    void readFontBBox() {
        Token a;
        if (!nextToken(a) || a.text != "{") return;
        long v[4];
        for (long& x : v) {
            Token n;
            if (!nextToken(n) || !parseNumber(n.text, x)) return;
        }
        s_.llx = int32_t(v[0]);
        s_.lly = int32_t(v[1]);
        s_.urx = int32_t(v[2]);
        s_.ury = int32_t(v[3]);
    }

    void readEncodingArray(int n) {
        // A font's own encoding is the only way its glyph names map to codes. Were the
        // built-in Windows names kept for the codes it leaves out, a glyph it places
        // elsewhere (the Symbol font's "bullet" at 183, built-in at 149) would be
        // taken for the built-in code and renamed, leaving its real code empty. A later
        // /Encoding replaces an earlier one whole, as it does in PostScript.
        for (std::string& name : s_.glyphNameTable) name.clear();
        for (std::string& name : s_.encodingNames) name.clear();
        int dups = 0;
        Token t;
        while (dups < n && nextToken(t)) {
            if (t.text == "def" || t.text == "RD" || t.text == "-|") return;
            if (t.text == "/FontMatrix") {
                pending_ = t;
                return;
            }
            if (t.text != "dup") continue;
            ++dups;
            Token codeToken, nameToken;
            long code = 0;
            if (!nextToken(codeToken) || !parsePsInteger(codeToken.text, code)) continue;
            if (!nextToken(nameToken) || nameToken.text.size() < 2 || nameToken.text[0] != '/')
                continue;
            std::string name = nameToken.text.substr(1);
            if (code < 0 || code > 255 || name == ".notdef") continue;
            s_.encodingNames[size_t(code)] = name;
            if (code >= 32) s_.glyphNameTable[size_t(code) - 32] = name;
        }
    }

    bool readPrivate(size_t privateStart, std::string& error) {
        // The Private dictionary is written back as it stands, so whatever it holds
        // must already be sound: counts a reader can allocate, and Subrs entries that
        // are whole charstrings at indices the array has.
        long previousNumber = -1;
        bool havePrevious = false;
        std::string previousText;
        long subrsCount = -1;
        bool subrsNext = false;
        std::vector<std::pair<long, std::string>> subrs;  // index and encrypted bytes
        long entryIndex = -1, lastNumber = -1;
        Token t;
        while (nextToken(t)) {
            long v = 0;
            bool number = parsePsInteger(t.text, v);
            if (!number && isDecimalRun(t.text)) {
                number = true;  // beyond what any count may be
                v = LONG_MAX;
            }
            if (t.text == "RD" || t.text == "-|") {
                std::string raw;
                if (lastNumber < 0 || lastNumber > kMaxCharStringLengthRead ||
                    !tok_.take(size_t(lastNumber), raw)) {
                    error = "the font is damaged: a Subrs entry has a bad length";
                    return false;
                }
                if (entryIndex >= 0) subrs.emplace_back(entryIndex, std::move(raw));
                lastNumber = entryIndex = -1;
            } else if (t.text == "/lenIV") {
                Token a;
                long n = 0;
                if (!nextToken(a) || !parsePsInteger(a.text, n) || n < -1 || n > 64) {
                    error = "unsupported lenIV";
                    return false;
                }
                s_.lenIV = int(n);
            } else if (t.text.compare(0, 6, "/CharS") == 0) {
                if (!checkSubrs(subrs, subrsCount, error)) return false;
                s_.preservedPrivateText.assign(text_, privateStart, t.start - privateStart);
                Token count;
                nextToken(count);
                return readCharStrings(error);
            } else if (t.text == "array" || t.text == "dict" || t.text == "string") {
                if (havePrevious && (previousNumber < 0 || previousNumber > kMaxPsObjectSize)) {
                    error = "the font is damaged: it asks for " + previousText + " " + t.text +
                            " (a " + t.text + " of " + previousText + " elements)";
                    return false;
                }
                if (subrsNext && havePrevious && t.text == "array") subrsCount = previousNumber;
                subrsNext = false;
            } else if (t.text == "/Subrs") {
                subrsNext = true;
            } else if (t.text == "dup") {
                entryIndex = -2;  // the next number is the index
            } else if (number) {
                if (entryIndex == -2)
                    entryIndex = v;
                else
                    lastNumber = v;
            }
            havePrevious = number;
            previousNumber = number ? v : -1;
            previousText = t.text;
        }
        error = tok_.bad() ? "over-long token" : "the Private dictionary never reaches CharStrings";
        return false;
    }

    bool checkSubrs(const std::vector<std::pair<long, std::string>>& subrs, long count,
                    std::string& error) {
        for (const auto& entry : subrs) {
            if (count < 0 || entry.first < 0 || entry.first >= count) {
                error = "the font is damaged: Subrs entry " + std::to_string(entry.first) +
                        " lies outside its array";
                return false;
            }
            std::vector<uint8_t> plain;
            std::string why;
            if (!decryptCharString(entry.second, plain) || !checkCharString(plain, why)) {
                error = "the font is damaged: Subrs entry " + std::to_string(entry.first) + " " +
                        (why.empty() ? "is shorter than its lead bytes" : why);
                return false;
            }
            if (size_t(entry.first) >= s_.subrPrograms.size())
                s_.subrPrograms.resize(size_t(entry.first) + 1);
            s_.subrPrograms[size_t(entry.first)] = std::move(plain);
        }
        return true;
    }

    // The plain program of an encrypted charstring, its lead bytes dropped; false when
    // it is shorter than them.
    bool decryptCharString(const std::string& raw, std::vector<uint8_t>& plain) const {
        const size_t lead = s_.lenIV > 0 ? size_t(s_.lenIV) : 0;
        if (raw.size() < lead) return false;
        std::vector<uint8_t> bytes(raw.begin(), raw.end());
        if (s_.lenIV >= 0) Type1Cipher(kCharStringKey).decrypt(bytes.data(), bytes.size());
        plain.assign(bytes.begin() + long(lead), bytes.end());
        return true;
    }

    bool readCharStrings(std::string& error) {
        std::string name;
        bool haveName = false, sawRD = false;
        long length = -1;
        size_t total = 0;
        std::set<std::string> unknownNames;
        Token t;
        while (nextToken(t)) {
            if (t.text == "end") {
                s_.charStringStyle = sawRD || s_.preservedGlyphs.empty() ? CharStringStyle::RD
                                                                         : CharStringStyle::Bar;
                s_.existingFont = true;
                return true;
            }
            if (t.text[0] == '/') {
                name = t.text.substr(1);
                haveName = !name.empty();
                continue;
            }
            if (std::isdigit(uint8_t(t.text[0]))) {
                long v = 0;
                length = parsePsInteger(t.text, v) ? v : -1;
                continue;
            }
            if (t.text != "RD" && t.text != "-|") continue;
            const long lead = s_.lenIV > 0 ? s_.lenIV : 0;
            std::string raw;
            if (!haveName || length <= lead || length > kMaxCharStringLengthRead ||
                !tok_.take(size_t(length), raw)) {
                error = "a charstring has a bad length";
                return false;
            }
            total += raw.size() + name.size() + 16;
            if (total > kMaxCharStringsText) {
                error = "the CharStrings are too large";
                return false;
            }
            sawRD = sawRD || t.text == "RD";
            PreservedGlyph g;
            g.name = name;
            g.code = codeForGlyphName(s_, name);
            decryptCharString(raw, g.program);
            std::string why;
            if (!checkCharString(g.program, why)) {
                error = "the font is damaged: the glyph " + name + " " + why;
                return false;
            }
            g.checked = true;
            g.width = charStringWidth(g.program.data(), g.program.size());
            if (g.code <= 255) {
                if (s_.glyphPresent[size_t(g.code)] || (g.code == 0 && seenNotdef_)) {
                    error = "the glyph " + name + " is defined twice";
                    return false;
                }
                if (g.code == 0)
                    seenNotdef_ = true;
                else
                    s_.glyphPresent[size_t(g.code)] = 1;
                s_.widths[size_t(g.code)] = g.width;
            } else {
                if (!unknownNames.insert(name).second) {
                    error = "the glyph " + name + " is defined twice";
                    return false;
                }
                ++s_.unknownGlyphCount;
            }
            s_.preservedGlyphs.push_back(std::move(g));
            haveName = false;
            length = -1;
        }
        error = tok_.bad() ? "over-long token" : "the CharStrings never end";
        return false;
    }

    const std::string& text_;
    Tokenizer tok_;
    Type1FontState& s_;
    SessionSettings& settings_;
    Token pending_;
    bool seenNotdef_ = false;
};

}  // namespace

bool parsePsInteger(const std::string& token, long& value) {
    size_t hash = token.find('#');
    if (hash != std::string::npos) {
        long radix = 0;
        if (!parsePsInteger(token.substr(0, hash), radix) || radix < 2 || radix > 36) return false;
        std::string digits = token.substr(hash + 1);
        if (digits.empty() || digits.size() > 16) return false;
        unsigned long long v = 0;
        for (char c : digits) {
            int d = std::isdigit(uint8_t(c))   ? c - '0'
                    : std::isalpha(uint8_t(c)) ? std::tolower(uint8_t(c)) - 'a' + 10
                                               : 99;
            if (d >= radix) return false;
            v = v * unsigned(radix) + unsigned(d);
            if (v > 0x7FFFFFFFull) return false;
        }
        value = long(v);
        return true;
    }
    size_t i = 0;
    bool negative = false;
    if (i < token.size() && (token[i] == '-' || token[i] == '+')) negative = token[i++] == '-';
    if (i >= token.size() || token.size() - i > 9) return false;
    long v = 0;
    for (; i < token.size(); ++i) {
        if (!std::isdigit(uint8_t(token[i]))) return false;
        v = v * 10 + (token[i] - '0');
    }
    value = negative ? -v : v;
    return true;
}

bool decodeFontProgram(const uint8_t* data, size_t length, DecodedFontProgram& out,
                       std::string& error) {
    out = DecodedFontProgram();
    if (length > kMaxFontProgramBytes) {
        error = "the file is too large for a font program";
        return false;
    }
    if (length > 0 && data[0] == 0x80) return decodePfb(data, length, out, error);
    return decodePlain(data, length, out, error);
}

bool readType1Program(const uint8_t* data, size_t length, Type1FontState& s,
                      SessionSettings& settings, std::string& error) {
    DecodedFontProgram decoded;
    if (!decodeFontProgram(data, length, decoded, error)) return false;
    const std::string text = decoded.clearText + "\n" + decoded.privateText;
    ProgramReader reader(text, s, settings);
    if (!reader.run(error)) return false;
    settings.symbolFont = s.symbol;
    if (s.glyphPresent[32]) settings.spaceWidth = s.widths[32];
    return true;
}

}  // namespace gx
