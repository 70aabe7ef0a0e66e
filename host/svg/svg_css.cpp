#include "svg_css.h"

namespace gx::host {

namespace {

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

std::string stripComments(std::string_view css) {
    std::string out;
    size_t i = 0;
    while (i < css.size()) {
        if (css.compare(i, 2, "/*") == 0) {
            const size_t end = css.find("*/", i + 2);
            if (end == std::string_view::npos) break;
            i = end + 2;
            out.push_back(' ');
            continue;
        }
        out.push_back(css[i++]);
    }
    return out;
}

// A compound selector of type, #id and .class parts; anything else (combinators,
// attributes, pseudo-classes) is not matched.
bool parseSelector(std::string_view text, CssSelector& out) {
    text = trimSpace(text);
    if (text.empty()) return false;
    size_t i = 0;
    if (text[0] == '*') {
        i = 1;
    } else {
        while (i < text.size() && isNameChar(text[i])) ++i;
        out.element = std::string(text.substr(0, i));
        if (!out.element.empty()) out.specificity += 1;
    }
    while (i < text.size()) {
        const char kind = text[i++];
        const size_t start = i;
        while (i < text.size() && isNameChar(text[i])) ++i;
        if (i == start) return false;
        const std::string name(text.substr(start, i - start));
        if (kind == '.') {
            out.classes.push_back(name);
            out.specificity += 100;
        } else if (kind == '#') {
            out.id = name;
            out.specificity += 10000;
        } else {
            return false;
        }
    }
    return true;
}

bool hasClass(std::string_view classAttribute, std::string_view name) {
    size_t i = 0;
    while (i < classAttribute.size()) {
        while (i < classAttribute.size() && isSvgSpace(classAttribute[i])) ++i;
        const size_t start = i;
        while (i < classAttribute.size() && !isSvgSpace(classAttribute[i])) ++i;
        if (classAttribute.substr(start, i - start) == name) return true;
    }
    return false;
}

}  // namespace

namespace {
constexpr size_t kMaxRules = 4096;
}  // namespace

bool StyleSheet::addText(std::string_view cssText) {
    const std::string css = stripComments(cssText);
    size_t i = 0;
    while (i < css.size()) {
        const size_t open = css.find('{', i);
        if (open == std::string::npos) break;
        const std::string_view prelude = trimSpace(std::string_view(css).substr(i, open - i));
        // Find the matching close brace; at-rules may nest blocks.
        size_t depth = 1, j = open + 1;
        while (j < css.size() && depth > 0) {
            if (css[j] == '{') ++depth;
            if (css[j] == '}') --depth;
            ++j;
        }
        const size_t bodyEnd = depth == 0 ? j - 1 : css.size();
        i = j;
        if (prelude.empty() || prelude[0] == '@') continue;  // media queries and the like
        const std::vector<StyleDeclaration> declarations =
            parseStyleDeclarations(std::string_view(css).substr(open + 1, bodyEnd - open - 1));
        std::string_view selectors = prelude;
        while (!selectors.empty()) {
            const size_t comma = selectors.find(',');
            CssRule rule;
            if (parseSelector(selectors.substr(0, comma), rule.selector)) {
                if (rules_.size() >= kMaxRules) return false;
                rule.order = rules_.size();
                rule.declarations = declarations;
                rules_.push_back(std::move(rule));
            }
            if (comma == std::string_view::npos) break;
            selectors = selectors.substr(comma + 1);
        }
    }
    return true;
}

bool StyleSheet::lookup(std::string_view element, std::string_view id,
                        std::string_view classAttribute, std::string_view property,
                        std::string& value) const {
    const CssRule* best = nullptr;
    const StyleDeclaration* bestDeclaration = nullptr;
    for (const CssRule& rule : rules_) {
        const CssSelector& s = rule.selector;
        if (!s.element.empty() && s.element != element) continue;
        if (!s.id.empty() && s.id != id) continue;
        bool classesMatch = true;
        for (const std::string& c : s.classes)
            classesMatch = classesMatch && hasClass(classAttribute, c);
        if (!classesMatch) continue;
        for (const StyleDeclaration& d : rule.declarations) {
            if (d.name != property) continue;
            if (!best || s.specificity >= best->selector.specificity) {
                best = &rule;
                bestDeclaration = &d;
            }
        }
    }
    if (!bestDeclaration) return false;
    value = bestDeclaration->value;
    return true;
}

}  // namespace gx::host
