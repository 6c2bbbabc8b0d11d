// image_font_fuzz - fuzz target over the engine's parsers of untrusted
// files: bytes that begin with the font magic "HXF1" go to the font loader
// (font_LoadFromMemory, whose pages are PNGs), any others to the PNG decoder
// that tex_LoadFromMemory uses. The engine's answer to a bad file is a clean
// "exit 1 with a message" (hx::Fatal); the target links with Fatal wrapped
// (-Wl,--wrap) so that this outcome ends the input instead of the process.
// A font that loads is freed again, so a long run keeps nothing behind.
// Anything else (a crash, a sanitizer report, a leak) is a finding.
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "internal.h"
#include "testing.h"

namespace {
struct EngineRefused : std::runtime_error {
    using std::runtime_error::runtime_error;
};
}  // namespace

// hx::Fatal(const std::string&), wrapped: the message is the accepted outcome.
extern "C" [[noreturn]] void __wrap__ZN2hx5FatalERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE(
    const std::string& message) {
    throw EngineRefused(message);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (64u << 20)) return 0;
    std::vector<uint8_t> bytes(data, data + size);
    bytes.push_back(0);  // Data must not be null, even for no bytes
    MemoryStream stream{bytes.data(), uint32_t(size), 0};
    if (size >= 4 && memcmp(data, "HXF1", 4) == 0) {
        try {
            hx::FreeFont(font_LoadFromMemory(&stream));
        } catch (const EngineRefused&) {
        }
        return 0;
    }
    hx::Texture texture;
    std::string reason;
    uint32_t key = size ? data[size - 1] * 0x010101u : 0;
    hx::DecodePng(bytes.data(), size, key, size & 1, texture, reason);
    return 0;
}
