#include "platform/ini_text.h"

#include <climits>
#include <string_view>

namespace gx::platform {
namespace {

// Every settings read and write of an export runs through these, several per key, so
// they look at the text in place instead of copying its lines.
bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
// By hand: find_first_not_of with a set of four looks each byte up through memchr.
std::string_view trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// The lines of a text, each without its "\n"; a final "\n" ends the last line.
class Lines {
  public:
    explicit Lines(std::string_view text) : text_(text) {}
    // The next line and where it starts; false after the last.
    bool next(std::string_view& line, size_t& start) {
        if (pos_ >= text_.size()) return false;
        size_t nl = text_.find('\n', pos_);
        if (nl == std::string_view::npos) nl = text_.size();
        start = pos_;
        line = text_.substr(pos_, nl - pos_);
        pos_ = nl + 1;
        return true;
    }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};

// "[name]" gives name; other lines give nothing.
bool sectionName(std::string_view line, std::string_view& name) {
    const std::string_view t = trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    const size_t close = t.find(']');
    if (close == std::string_view::npos) return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

bool keyLine(std::string_view line, std::string_view& key, std::string_view& value) {
    const std::string_view t = trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '[') return false;
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

}  // namespace

std::optional<std::string> iniLookup(const std::string& text, const std::string& section,
                                     const std::string& key) {
    bool inSection = false;
    Lines lines(text);
    std::string_view line, name, k, v;
    size_t start = 0;
    while (lines.next(line, start)) {
        if (sectionName(line, name)) {
            inSection = sameName(name, section);
        } else if (inSection && keyLine(line, k, v) && sameName(k, key)) {
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            return std::string(v);
        }
    }
    return std::nullopt;
}

std::string iniSet(const std::string& text, const std::string& section, const std::string& key,
                   const std::string& value) {
    const bool crlf = text.find("\r\n") != std::string::npos;
    const std::string entry = key + "=" + value + (crlf ? "\r" : "");
    // Every line of the result ends with "\n", the last one too.
    std::string out = text;
    if (!out.empty() && out.back() != '\n') out += '\n';
    bool inSection = false;
    bool found = false;
    size_t insertAt = std::string::npos;  // after the last non-blank line of the section
    Lines lines(out);
    std::string_view line, name, k, v;
    size_t start = 0;
    while (lines.next(line, start)) {
        if (sectionName(line, name)) {
            if (inSection) break;
            inSection = sameName(name, section);
            if (inSection) insertAt = start + line.size() + 1;
        } else if (inSection) {
            if (keyLine(line, k, v) && sameName(k, key)) {
                out.replace(start, line.size(), entry);
                found = true;
                break;
            }
            if (!trim(line).empty()) insertAt = start + line.size() + 1;
        }
    }
    if (found) return out;
    if (insertAt != std::string::npos) {
        out.insert(insertAt, entry + "\n");
    } else {
        out += "[" + section + "]" + (crlf ? "\r" : "") + "\n";
        out += entry + "\n";
    }
    return out;
}

int iniParseInt(const std::string& value) {
    size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
    long long v = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        v = v * 10 + (value[i] - '0');
        if (v > INT_MAX) v = static_cast<long long>(INT_MAX) + 1;  // saturate, never overflow
    }
    if (negative) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    return static_cast<int>(v);
}

}  // namespace gx::platform
