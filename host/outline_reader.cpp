#include "outline_reader.h"

#include <cerrno>
#include <cstdlib>

namespace gx::host {
namespace {

bool parseLong(const char*& p, long long lo, long long hi, long long& out) {
    while (*p == ' ' || *p == '\t') ++p;
    if (!*p) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(p, &end, 10);
    if (end == p || errno == ERANGE || v < lo || v > hi) return false;
    if (*end && *end != ' ' && *end != '\t') return false;
    p = end;
    out = v;
    return true;
}

}  // namespace

bool parseOutlineText(const std::string& text, const std::string& name, OutlineFile& out,
                      std::string& error) {
    out.objects.assign(1, HostOutline{});
    size_t start = 0;
    int lineNo = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos) nl = text.size();
        std::string line = text.substr(start, nl - start);
        start = nl + 1;
        ++lineNo;
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        line = line.substr(first);
        auto fail = [&](const std::string& why) {
            error = name + ":" + std::to_string(lineNo) + ": " + why;
            return false;
        };
        if (line == "object") {
            out.objects.emplace_back();
            continue;
        }
        const char* p = line.c_str();
        long long x, y, type;
        if (!parseLong(p, INT32_MIN, INT32_MAX, x) || !parseLong(p, INT32_MIN, INT32_MAX, y) ||
            !parseLong(p, 0, 255, type))
            return fail("expected \"x y type\" (integers, type 0 to 255) or \"object\"");
        while (*p == ' ' || *p == '\t') ++p;
        if (*p) return fail("unexpected text after the node type");
        HostOutline& o = out.objects.back();
        o.points.push_back(static_cast<int32_t>(x));
        o.points.push_back(static_cast<int32_t>(y));
        o.types.push_back(static_cast<uint8_t>(type));
    }
    return true;
}

}  // namespace gx::host
