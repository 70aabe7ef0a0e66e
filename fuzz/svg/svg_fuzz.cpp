// Feeds arbitrary bytes to the SVG reader, and to the attribute grammars on their
// own (the whole reader reaches them only through well-formed XML).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "svg_path.h"
#include "svg_reader.h"
#include "svg_syntax.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    gx::host::SvgOptions options;
    const gx::host::SvgResult result = gx::host::readSvgText(text, "fuzz.svg", options);
    if (result.ok &&
        (result.outline.types.empty() || result.outline.types.size() > gx::host::kMaxOutlineNodes ||
         result.outline.points.size() != 2 * result.outline.types.size() ||
         (result.outline.types.back() & 8) == 0)) {
        __builtin_trap();  // an accepted outline must be one the host protocol can carry
    }
    if (size < 4096) {
        gx::host::Path path;
        std::string error;
        gx::host::parsePathData(text, path, gx::host::kMaxOutlineNodes, error);
        gx::host::Matrix m;
        gx::host::parseTransform(text, m, error);
        std::vector<double> numbers;
        gx::host::parseNumberList(text, numbers, error);
        gx::host::Length length;
        gx::host::parseLength(text, length, error);
    }
    return 0;
}
