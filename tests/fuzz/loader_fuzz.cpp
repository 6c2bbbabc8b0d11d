// loader_fuzz - fuzz target over the module loader: any bytes are opened as
// a module from memory, with the limits MusicPlay has, and freed again.
// Nothing is rendered, so a run tries thousands of headers a second. A crash
// or a sanitizer report is a finding.
#include <cstddef>
#include <cstdint>

#include "render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    if (MusicRenderOpenMemory(data, uint32_t(size), MusicRenderOptions{}) == MUSIC_RENDER_OK)
        MusicRenderClose();
    return 0;
}
