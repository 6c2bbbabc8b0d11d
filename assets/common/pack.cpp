// pack.cpp - writing and reading the asset pack and the font file.
#include "pack.h"

#include <algorithm>

namespace art {

namespace {

void PutU16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void PutU32(Bytes& b, uint32_t v) {
    PutU16(b, v & 0xFFFF);
    PutU16(b, v >> 16);
}

uint32_t GetU16(const Bytes& b, size_t at) { return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8; }
uint32_t GetU32(const Bytes& b, size_t at) { return GetU16(b, at) | GetU16(b, at + 2) << 16; }

constexpr size_t kFontHeader = 12;
constexpr size_t kGlyphRecord = 16;
constexpr uint32_t kMaxPages = 16;

}  // namespace

Bytes BuildPack(const std::vector<Bytes>& entries) {
    Bytes out;
    for (const Bytes& e : entries) {
        PutU32(out, uint32_t(e.size()));
        out.insert(out.end(), e.begin(), e.end());
    }
    return out;
}

bool ParsePack(const Bytes& pack, std::vector<Bytes>& entries, std::string& error) {
    entries.clear();
    size_t at = 0;
    while (at < pack.size()) {
        size_t number = entries.size() + 1;
        if (pack.size() - at < 4) {
            error = "entry " + std::to_string(number) + " at offset " + std::to_string(at) +
                    ": length field cut short";
            return false;
        }
        uint32_t length = GetU32(pack, at);
        at += 4;
        if (length > pack.size() - at) {
            error = "entry " + std::to_string(number) + " at offset " + std::to_string(at - 4) + ": length " +
                    std::to_string(length) + " runs past the end of the file";
            return false;
        }
        entries.emplace_back(pack.begin() + long(at), pack.begin() + long(at + length));
        at += length;
    }
    return true;
}

const Glyph* FontFile::Find(uint32_t code) const {
    for (const Glyph& g : glyphs)
        if (g.code == code) return &g;
    return nullptr;
}

Bytes BuildFont(const FontFile& font) {
    Bytes out = {'H', 'X', 'F', '1'};
    PutU16(out, font.line_height);
    PutU16(out, font.baseline);
    PutU16(out, uint32_t(font.pages.size()));
    PutU16(out, uint32_t(font.glyphs.size()));
    for (const Glyph& g : font.glyphs) {
        PutU32(out, g.code);
        out.push_back(g.page);
        out.push_back(0);
        PutU16(out, g.x);
        PutU16(out, g.y);
        out.push_back(g.w);
        out.push_back(g.h);
        out.push_back(uint8_t(g.dx));
        out.push_back(uint8_t(g.dy));
        out.push_back(g.advance);
        out.push_back(0);
    }
    for (const Bytes& page : font.pages) {
        PutU32(out, uint32_t(page.size()));
        out.insert(out.end(), page.begin(), page.end());
    }
    return out;
}

bool ParseFont(const Bytes& data, FontFile& font, std::string& error) {
    font = FontFile{};
    if (data.size() < kFontHeader || data[0] != 'H' || data[1] != 'X' || data[2] != 'F' || data[3] != '1') {
        error = "not a font file (no HXF1 header)";
        return false;
    }
    font.line_height = uint16_t(GetU16(data, 4));
    font.baseline = uint16_t(GetU16(data, 6));
    uint32_t pages = GetU16(data, 8), count = GetU16(data, 10);
    if (pages < 1 || pages > kMaxPages) {
        error = "page count " + std::to_string(pages) + " outside 1..16";
        return false;
    }
    size_t at = kFontHeader;
    if (data.size() - at < size_t(count) * kGlyphRecord) {
        error = "glyph table of " + std::to_string(count) + " records runs past the end of the file";
        return false;
    }
    for (uint32_t i = 0; i < count; ++i, at += kGlyphRecord) {
        Glyph g;
        g.code = GetU32(data, at);
        g.page = data[at + 4];
        g.x = uint16_t(GetU16(data, at + 6));
        g.y = uint16_t(GetU16(data, at + 8));
        g.w = data[at + 10];
        g.h = data[at + 11];
        g.dx = int8_t(data[at + 12]);
        g.dy = int8_t(data[at + 13]);
        g.advance = data[at + 14];
        if (g.page >= pages) {
            error = "glyph " + std::to_string(g.code) + " names page " + std::to_string(g.page) + " of " +
                    std::to_string(pages);
            return false;
        }
        font.glyphs.push_back(g);
    }
    for (uint32_t p = 0; p < pages; ++p) {
        if (data.size() - at < 4) {
            error = "page " + std::to_string(p) + ": length field cut short";
            return false;
        }
        uint32_t length = GetU32(data, at);
        at += 4;
        if (length > data.size() - at) {
            error = "page " + std::to_string(p) + ": length " + std::to_string(length) + " runs past the end";
            return false;
        }
        font.pages.emplace_back(data.begin() + long(at), data.begin() + long(at + length));
        at += length;
    }
    return true;
}

float TextRight(const FontFile& font, const std::string& text, float x, float scale, float spacing) {
    float pen = x, right = x;
    for (unsigned char c : text) {
        const Glyph* g = font.Find(c);
        if (!g) continue;
        if (g->w > 0) right = std::max(right, pen + (g->dx + g->w) * scale);
        pen += g->advance * scale + spacing;
    }
    // The spacing after the last letter is empty space, not text.
    if (!text.empty()) pen -= spacing;
    return std::max(right, pen);
}

float TextWidth(const FontFile& font, const std::string& text, float scale, float spacing) {
    return TextRight(font, text, 0, scale, spacing);
}

}  // namespace art
