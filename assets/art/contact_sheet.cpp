// contact_sheet - pictures for judging the art together.
//
//   contact_sheet <data.pak> <engine.pak> <font folder> <output folder>
//
// Writes contact-sheet.png (all 27 textures at twice their size over a
// checkerboard, frames apart, each labelled with its entry number) and
// mockup.png (an 800 x 600 game screen composed from the textures and the
// game font as the game lays them out).
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "art.h"
#include "pack.h"
#include "png_io.h"

namespace {

using art::Hex;
using art::Image;

int Fail(const std::string& message) {
    std::fprintf(stderr, "contact_sheet: %s\n", message.c_str());
    return 1;
}

struct Sheet {
    int number;
    const char* name;
    int frame_w, frame_h;  // 0 = the whole image is one picture
};

const Sheet kSheet[27] = {
    {1, "glyph page", 0, 0},         {2, "money bldg button 1", 48, 64}, {3, "money bldg button 2", 48, 64},
    {4, "money bldg button 3", 48, 64}, {5, "gun button 1", 48, 64},    {6, "gun button 2", 48, 64},
    {7, "gun button 3", 48, 64},     {8, "shell", 0, 0},                 {9, "front row", 0, 0},
    {10, "panel tile", 0, 0},        {11, "money bldg 1", 48, 48},       {12, "money bldg 2", 48, 48},
    {13, "money bldg 3", 48, 48},    {14, "ammo +100", 48, 64},          {15, "ammo +210", 48, 64},
    {16, "ammo +320", 48, 64},       {17, "sell", 48, 25},               {18, "trail", 0, 0},
    {19, "empty site", 48, 48},      {20, "border", 0, 0},               {21, "tank", 48, 48},
    {22, "header bar", 0, 0},        {23, "gun 1", 48, 48},              {24, "gun 2", 48, 48},
    {25, "gun 3", 48, 48},           {26, "sound box", 12, 12},          {27, "ground tile", 0, 0},
};

Image Scaled(const Image& src, int k) {
    Image out(src.Width() * k, src.Height() * k);
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) out.At(x, y) = src.At(x / k, y / k);
    return out;
}

void Checker(Image& img, int x0, int y0, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.At(x0 + x, y0 + y) = ((x / 8 + y / 8) % 2) ? Hex(0x9A9A9A) : Hex(0x6E6E6E);
}

// Text the way the engine lays it out: pen moves by advance * scale + spacing.
struct GameText {
    const art::FontFile& font;
    Image page;
    void Draw(Image& img, float x, float y, const std::string& text, uint32_t colour, float spacing = 0,
              bool centred = false, float alpha = 1.0f) const {
        if (centred) x -= art::TextWidth(font, text, 1, spacing) / 2;
        float pen = x;
        for (unsigned char c : text) {
            const art::Glyph* g = font.Find(c);
            if (!g) continue;
            for (int j = 0; j < g->h; ++j)
                for (int i = 0; i < g->w; ++i) {
                    float cover = page.At(g->x + i, g->y + j).a;
                    img.Blend(int(std::lround(pen)) + g->dx + i, int(std::lround(y)) + g->dy + j, Hex(colour), cover * alpha);
                }
            pen += g->advance + spacing;
        }
    }
};

Image Frame(const Image& tex, int fw, int fh, int frame) { return tex.Crop(fw * frame, 0, fw, fh); }

Image FlippedX(const Image& src) {
    Image out(src.Width(), src.Height());
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x) out.At(x, y) = src.At(src.Width() - 1 - x, y);
    return out;
}

void Rect(Image& img, float x, float y, float w, float h, uint32_t colour, int alpha, bool filled) {
    for (int j = int(y); j < int(y + h); ++j)
        for (int i = int(x); i < int(x + w); ++i) {
            bool edge = i == int(x) || j == int(y) || i == int(x + w) - 1 || j == int(y + h) - 1;
            if (filled || edge) img.Blend(i, j, Hex(colour), alpha / 255.0f);
        }
}

Image ContactSheet(const std::vector<Image>& tex, art::TextFace& face) {
    const int width = 1100, margin = 12, scale = 2, gap = 4;
    // First pass lays out, second draws.
    struct Place { int x, y; };
    std::vector<Place> places;
    int x = margin, y = margin, row_h = 0;
    auto cell_size = [&](int i, int& w, int& h) {
        const Sheet& s = kSheet[i];
        int frames = s.frame_w ? tex[i].Width() / s.frame_w : 1;
        int fw = s.frame_w ? s.frame_w : tex[i].Width();
        int fh = s.frame_h ? s.frame_h : tex[i].Height();
        w = std::max(frames * (fw * scale + gap) - gap, 150);
        h = fh * scale + 18;
    };
    for (int i = 0; i < 27; ++i) {
        int w, h;
        cell_size(i, w, h);
        if (x + w > width - margin) {
            x = margin;
            y += row_h + margin;
            row_h = 0;
        }
        places.push_back({x, y});
        x += w + margin * 2;
        row_h = std::max(row_h, h);
    }
    Image img(width, y + row_h + margin, Hex(0x2A2D31));
    for (int i = 0; i < 27; ++i) {
        const Sheet& s = kSheet[i];
        int frames = s.frame_w ? tex[i].Width() / s.frame_w : 1;
        int fw = s.frame_w ? s.frame_w : tex[i].Width();
        int fh = s.frame_h ? s.frame_h : tex[i].Height();
        face.Draw(img, places[i].x, places[i].y + 12, std::to_string(s.number) + "  " + s.name, Hex(0xF0F0F0));
        for (int f = 0; f < frames; ++f) {
            int fx = places[i].x + f * (fw * scale + gap), fy = places[i].y + 18;
            Checker(img, fx, fy, fw * scale, fh * scale);
            img.Draw(Scaled(Frame(tex[i], fw, fh, f), scale), fx, fy);
        }
    }
    return img;
}

Image Mockup(const std::vector<Image>& tex, const GameText& text) {
    Image img(800, 600, Hex(0x000000));
    auto T = [&](int entry) -> const Image& { return tex[size_t(entry - 1)]; };
    // Backdrop: ground, borders (the right one mirrored), the front row.
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) img.Draw(T(27), 16 + 128 * i, 128 * j);
    for (int k = 0; k < 10; ++k) {
        img.Draw(T(20), 0, 64 * k);
        img.Draw(FlippedX(T(20)), 592, 64 * k);
    }
    for (int c = 0; c < 12; ++c) img.Draw(T(9), 16 + 48 * c, 440);
    // Sites: 0 empty, 1..3 guns, 4..6 money buildings.
    const int grid[3][12] = {{0, 1, 0, 0, 3, 0, 0, 5, 0, 0, 2, 0},
                             {0, 0, 2, 0, 0, 4, 0, 0, 0, 6, 0, 0},
                             {4, 0, 0, 1, 0, 0, 6, 0, 3, 0, 0, 5}};
    const int selected_row = 0, selected_col = 4;
    Rect(img, 16 + 48 * selected_col, 440 + 48 * selected_row, 48, 48, 0x00FF00, 100, false);
    // Shop strip background.
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 9; ++j) img.Draw(T(10), 608 + 64 * i, 24 + 64 * j);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 12; ++c) {
            int k = grid[r][c];
            int entry = k == 0 ? 19 : k <= 3 ? 22 + k : 10 + (k - 3);
            img.Draw(T(entry), 16 + 48 * c, 440 + 48 * r, k == 0 ? 120 / 255.0f : 1.0f);
        }
    // Shop buttons at alpha 200: with 750 money the $900 gun is disabled; one
    // button is under the mouse.
    const float button_alpha = 200 / 255.0f;
    struct Button { int entry, x, y, frame; };
    const Button buttons[] = {{5, 623, 30, 0},  {6, 680, 30, 1},  {7, 737, 30, 3},  {2, 623, 130, 0}, {3, 680, 130, 0},
                              {4, 737, 130, 3}, {14, 623, 230, 0}, {15, 680, 230, 2}, {16, 737, 230, 0}};
    for (const Button& b : buttons) img.Draw(Frame(T(b.entry), 48, 64, b.frame), b.x, b.y, button_alpha);
    img.Draw(Frame(T(17), 48, 25, 0), 632, 364, button_alpha);
    img.Draw(Frame(T(26), 12, 12, 1), 616, 560);
    text.Draw(img, 632, 559, "sound", 0x222222);
    // Tanks with their dust and life bars, shells on their way up.
    struct TankAt { int column; float y; int frame; float life; };
    const TankAt tanks[] = {{2, 60, 0, 15}, {6, 170, 1, 9}, {9, 300, 2, 13}, {4, 415, 3, 4}, {11, 25, 1, 15}};
    for (const TankAt& t : tanks) {
        float x = 16 + 48.0f * t.column;
        int m = int(std::lround(t.y)) % 4;
        img.Draw(T(18), int(x), int(t.y - 40 + m), 128 / 255.0f);
        img.Draw(Frame(T(21), 48, 48, t.frame), int(x), int(t.y));
        float w = 2.5f * t.life;
        Rect(img, x + 24 - w / 2, t.y + 5, w, 3, 0x00FF00, 200, true);
        Rect(img, x + 23 - w / 2, t.y + 5, w + 2, 3, 0x000000, 200, false);
    }
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 12; ++c)
            if (grid[r][c]) {
                float w = 3 * (r == 0 && c == 4 ? 7.0f : 10.0f);
                Rect(img, 40 + 48 * c - w / 2, 480 + 48 * r, w, 3, 0x00FF00, 200, true);
                Rect(img, 40 + 48 * c - w / 2, 480 + 48 * r, w + 2, 3, 0x000000, 200, false);
            }
    const int shells[][2] = {{1, 350}, {1, 150}, {4, 380}, {10, 240}, {3, 300}, {8, 120}};
    for (const auto& s : shells) img.Draw(T(8), 30 + 48 * s[0], s[1]);
    // Head-up display and credit line.
    Rect(img, 16, 0, 576, 24, 0x000000, 200, true);
    text.Draw(img, 30, 4, "Score: 1342", 0xFFFF00);
    text.Draw(img, 150, 4, "Money: 750", 0xFFFF00);
    text.Draw(img, 285, 4, "Round: 3", 0xFFFF00);
    text.Draw(img, 375, 4, "Lifes: 8", 0xFFFF00);
    text.Draw(img, 470, 4, "Patrons: 412", 0xFFFF00);
    text.Draw(img, 616, 580, "Halvex Engine [Quorlin] ", 0x000000);
    // Info panel of the selected gun of grade 3.
    text.Draw(img, 656, 340, "$450", 0x000000, 1, true);
    text.Draw(img, 700, 330, "Level: 3", 0x000000, 1);
    text.Draw(img, 700, 346, "Life: 7", 0x000000, 1);
    text.Draw(img, 700, 362, "Damage: 130", 0x000000, 1);
    text.Draw(img, 700, 378, "Speed: 7", 0x000000, 1);
    for (int y : {0, 100, 200, 300}) img.Draw(T(22), 608, y);
    return img;
}

bool Save(const Image& img, const std::string& path, std::string& error) {
    art::Bytes png;
    if (!art::EncodePng(img.ToRgba8(), img.Width(), img.Height(), png, error)) return false;
    return art::WriteFile(path, png, error);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return Fail("usage: contact_sheet <data.pak> <engine.pak> <font folder> <output folder>");
    std::string error;
    art::Bytes pack_bytes, font_bytes;
    if (!art::ReadFile(argv[1], pack_bytes, error) || !art::ReadFile(argv[2], font_bytes, error)) return Fail(error);
    std::vector<art::Bytes> entries;
    if (!art::ParsePack(pack_bytes, entries, error)) return Fail(std::string(argv[1]) + ": " + error);
    if (entries.size() != 27) return Fail(std::string(argv[1]) + ": holds " + std::to_string(entries.size()) + " entries, not 27");
    art::FontFile font;
    if (!art::ParseFont(font_bytes, font, error)) return Fail(std::string(argv[2]) + ": " + error);
    std::vector<Image> tex;
    for (size_t i = 0; i < entries.size(); ++i) {
        art::DecodedPng png;
        if (!art::DecodePng(entries[i].data(), entries[i].size(), png, error))
            return Fail(std::string(argv[1]) + ": entry " + std::to_string(i + 1) + ": " + error);
        tex.push_back(Image::FromRgba8(png.rgba.data(), png.width, png.height));
    }
    art::TextFace face(std::string(argv[3]) + "/DejaVuSans.ttf", 12);
    if (!face.Ok()) return Fail(face.Error());
    GameText text{font, tex[0]};
    const std::string out = argv[4];
    if (!Save(ContactSheet(tex, face), out + "/contact-sheet.png", error)) return Fail(error);
    if (!Save(Mockup(tex, text), out + "/mockup.png", error)) return Fail(error);
    return 0;
}
