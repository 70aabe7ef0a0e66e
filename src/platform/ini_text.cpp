#include "platform/ini_text.h"

#include <climits>
#include <vector>

namespace gx::platform {
namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos) nl = text.size();
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

// "[name]" gives name; other lines give nothing.
bool sectionName(const std::string& line, std::string& name) {
    std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    size_t close = t.find(']');
    if (close == std::string::npos) return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

bool keyLine(const std::string& line, std::string& key, std::string& value) {
    std::string t = trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '[') return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

}  // namespace

std::optional<std::string> iniLookup(const std::string& text, const std::string& section,
                                     const std::string& key) {
    bool inSection = false;
    for (const std::string& line : splitLines(text)) {
        std::string name, k, v;
        if (sectionName(line, name)) {
            inSection = sameName(name, section);
        } else if (inSection && keyLine(line, k, v) && sameName(k, key)) {
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            return v;
        }
    }
    return std::nullopt;
}

std::string iniSet(const std::string& text, const std::string& section, const std::string& key,
                   const std::string& value) {
    std::vector<std::string> lines = splitLines(text);
    const std::string entry =
        key + "=" + value + (text.find("\r\n") != std::string::npos ? "\r" : "");
    bool inSection = false;
    long sectionEnd = -1;  // index after the last non-blank line of the section
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name, k, v;
        if (sectionName(lines[i], name)) {
            if (inSection) break;
            inSection = sameName(name, section);
            if (inSection) sectionEnd = static_cast<long>(i) + 1;
        } else if (inSection) {
            if (keyLine(lines[i], k, v) && sameName(k, key)) {
                lines[i] = entry;
                sectionEnd = -2;
                break;
            }
            if (!trim(lines[i]).empty()) sectionEnd = static_cast<long>(i) + 1;
        }
    }
    if (sectionEnd >= 0) {
        lines.insert(lines.begin() + sectionEnd, entry);
    } else if (sectionEnd == -1) {
        std::string cr = text.find("\r\n") != std::string::npos ? "\r" : "";
        lines.push_back("[" + section + "]" + cr);
        lines.push_back(entry);
    }
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
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
