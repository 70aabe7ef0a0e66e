// The part of CSS that decides whether a shape is drawn and filled: rules of
// <style> elements with type, class and id selectors, as design tools write them
// (".st0{fill:none;stroke:#000}"). A rule this reader cannot match is ignored.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "svg_syntax.h"

namespace gx::host {

struct CssSelector {
    std::string element;  // empty or "*" for any
    std::string id;
    std::vector<std::string> classes;
    int specificity = 0;
};

struct CssRule {
    CssSelector selector;
    size_t order = 0;
    std::vector<StyleDeclaration> declarations;
};

class StyleSheet {
  public:
    // False once the sheet holds more rules than a drawing plausibly needs; every
    // lookup walks them all.
    bool addText(std::string_view css);
    bool empty() const { return rules_.empty(); }
    // The value the most specific matching rule (the later on a tie) gives to
    // `property`; false when no rule sets it.
    bool lookup(std::string_view element, std::string_view id, std::string_view classAttribute,
                std::string_view property, std::string& value) const;

  private:
    std::vector<CssRule> rules_;
};

}  // namespace gx::host
