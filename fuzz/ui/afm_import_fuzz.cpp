// Metrics files as a user might load them: any bytes, any grid size.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/afm_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first two bytes choose the grid size, as the settings record holds it.
    int grid = 2048;
    if (size >= 2) {
        grid = (data[0] << 8) | data[1];
        data += 2;
        size -= 2;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    gx::FontMetricsImport m = gx::parseFontMetrics(text, grid);
    std::array<int16_t, 256> widths{};
    gx::mergeImportedWidths(m, widths);
    gx::kerningPairsForGlyphs(m.kerningPairs, [](int code) { return code & 0x3F; });
    return 0;
}
