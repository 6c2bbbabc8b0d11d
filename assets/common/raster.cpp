// raster.cpp - shapes, paints, noise and image operations of the art toolkit.
#include "raster.h"

#include <algorithm>
#include <cmath>

namespace art {

Rgba Hex(uint32_t rgb, float alpha) {
    return {((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f, alpha};
}

Rgba Mix(Rgba a, Rgba b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba Shade(Rgba c, float amount) {
    Rgba target = amount > 0 ? Rgba{1, 1, 1, c.a} : Rgba{0, 0, 0, c.a};
    return Mix(c, target, std::min(1.0f, std::fabs(amount)));
}

Rgba WithAlpha(Rgba c, float alpha) {
    c.a = alpha;
    return c;
}

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

float SmoothStep(float e0, float e1, float x) {
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// ---------------------------------------------------------------- Image

Image::Image(int width, int height, Rgba fill)
    : width_(width), height_(height), pixels_(size_t(width) * height, fill) {}

void Image::Blend(int x, int y, Rgba c, float coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    float sa = Clamp01(c.a * coverage);
    if (sa <= 0) return;
    Rgba& d = At(x, y);
    float oa = sa + d.a * (1 - sa);
    if (oa <= 0) return;
    float dw = d.a * (1 - sa);
    d.r = (c.r * sa + d.r * dw) / oa;
    d.g = (c.g * sa + d.g * dw) / oa;
    d.b = (c.b * sa + d.b * dw) / oa;
    d.a = oa;
}

void Image::Draw(const Image& src, int x, int y, float opacity) {
    for (int sy = 0; sy < src.Height(); ++sy)
        for (int sx = 0; sx < src.Width(); ++sx) Blend(x + sx, y + sy, src.At(sx, sy), opacity);
}

Image Image::Crop(int x, int y, int w, int h) const {
    Image out(w, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (x + i >= 0 && y + j >= 0 && x + i < width_ && y + j < height_) out.At(i, j) = At(x + i, y + j);
    return out;
}

static uint8_t ToByte(float v) { return uint8_t(std::lround(Clamp01(v) * 255.0f)); }

std::vector<uint8_t> Image::ToRgba8(uint32_t transparent_rgb) const {
    std::vector<uint8_t> out(size_t(width_) * height_ * 4);
    for (size_t i = 0; i < pixels_.size(); ++i) {
        const Rgba& p = pixels_[i];
        uint8_t a = ToByte(p.a);
        uint8_t r, g, b;
        if (a == 0) {
            r = uint8_t(transparent_rgb >> 16), g = uint8_t(transparent_rgb >> 8), b = uint8_t(transparent_rgb);
        } else {
            r = ToByte(p.r), g = ToByte(p.g), b = ToByte(p.b);
            // The engine would punch a hole wherever the key colour shows.
            if (r == 0xFF && g == 0x00 && b == 0xFF) r = 0xFE;
        }
        out[i * 4 + 0] = r;
        out[i * 4 + 1] = g;
        out[i * 4 + 2] = b;
        out[i * 4 + 3] = a;
    }
    return out;
}

Image Image::FromRgba8(const uint8_t* data, int width, int height) {
    Image img(width, height);
    for (int i = 0; i < width * height; ++i)
        img.pixels_[i] = {data[i * 4] / 255.0f, data[i * 4 + 1] / 255.0f, data[i * 4 + 2] / 255.0f,
                          data[i * 4 + 3] / 255.0f};
    return img;
}

// ---------------------------------------------------------------- shapes

Sdf Circle(float cx, float cy, float r) {
    return [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; };
}

Sdf Ellipse(float cx, float cy, float rx, float ry) {
    // Scaled circle distance, corrected by the local stretch: exact enough for
    // the modest ratios the art uses.
    return [=](float x, float y) {
        float nx = (x - cx) / rx, ny = (y - cy) / ry;
        float k = std::hypot(nx, ny);
        float gx = nx / rx, gy = ny / ry;
        float g = std::hypot(gx, gy);
        if (g < 1e-6f) return -std::min(rx, ry);
        return (k - 1) * k / g;
    };
}

Sdf Box(float cx, float cy, float half_w, float half_h, float corner) {
    return [=](float x, float y) {
        float qx = std::fabs(x - cx) - half_w + corner;
        float qy = std::fabs(y - cy) - half_h + corner;
        float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
        float inside = std::min(std::max(qx, qy), 0.0f);
        return outside + inside - corner;
    };
}

Sdf Capsule(float ax, float ay, float bx, float by, float r) {
    return [=](float x, float y) {
        float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
        float len2 = dx * dx + dy * dy;
        float t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0f, 1.0f) : 0.0f;
        return std::hypot(px - dx * t, py - dy * t) - r;
    };
}

Sdf Polygon(std::vector<std::pair<float, float>> pts) {
    return [pts](float x, float y) {
        float best = 1e9f;
        bool inside = false;
        size_t n = pts.size();
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            float ax = pts[j].first, ay = pts[j].second, bx = pts[i].first, by = pts[i].second;
            float dx = bx - ax, dy = by - ay, px = x - ax, py = y - ay;
            float len2 = dx * dx + dy * dy;
            float t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0f, 1.0f) : 0.0f;
            best = std::min(best, std::hypot(px - dx * t, py - dy * t));
            if ((ay > y) != (by > y) && x < ax + (y - ay) * dx / dy) inside = !inside;
        }
        return inside ? -best : best;
    };
}

Sdf Union(Sdf a, Sdf b) {
    return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}
Sdf Intersect(Sdf a, Sdf b) {
    return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}
Sdf Subtract(Sdf a, Sdf b) {
    return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}
Sdf Outline(Sdf s, float width) {
    return [=](float x, float y) { return std::fabs(s(x, y)) - width * 0.5f; };
}
Sdf Grow(Sdf s, float by) {
    return [=](float x, float y) { return s(x, y) - by; };
}
Sdf Moved(Sdf s, float dx, float dy) {
    return [=](float x, float y) { return s(x - dx, y - dy); };
}

// ---------------------------------------------------------------- paints

Paint Solid(Rgba c) {
    return [=](float, float) { return c; };
}

Paint Linear(float x0, float y0, Rgba c0, float x1, float y1, Rgba c1) {
    float dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    return [=](float x, float y) {
        float t = len2 > 0 ? Clamp01(((x - x0) * dx + (y - y0) * dy) / len2) : 0.0f;
        return Mix(c0, c1, t);
    };
}

Paint Radial(float cx, float cy, float r, Rgba inner, Rgba outer) {
    return [=](float x, float y) { return Mix(inner, outer, Clamp01(std::hypot(x - cx, y - cy) / r)); };
}

Paint Bevel(Sdf shape, Paint base, float width, float strength) {
    return [=](float x, float y) {
        Rgba c = base(x, y);
        float d = shape(x, y);
        if (d < -width) return c;
        const float h = 0.5f;
        float gx = shape(x + h, y) - shape(x - h, y);
        float gy = shape(x, y + h) - shape(x, y - h);
        float g = std::hypot(gx, gy);
        if (g < 1e-6f) return c;
        // The outward normal facing the upper left catches the light.
        float facing = (gx * -0.7071f + gy * -0.7071f) / g;
        float band = 1.0f - Clamp01(-d / width);
        return Shade(c, facing * band * strength);
    };
}

Paint Grain(Paint base, float cell, int period, float amount, uint32_t seed) {
    return [=](float x, float y) {
        float n = TileFbm(x, y, cell, period, 3, seed) - 0.5f;
        return Shade(base(x, y), n * 2 * amount);
    };
}

void Fill(Image& img, const Sdf& shape, const Paint& paint, float opacity) {
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float cover = Clamp01(0.5f - shape(px, py));
            if (cover <= 0) continue;
            img.Blend(x, y, paint(px, py), cover * opacity);
        }
}

void FillWrapped(Image& img, const Sdf& shape, const Paint& paint, float opacity) {
    float w = float(img.Width()), h = float(img.Height());
    for (int oy = -1; oy <= 1; ++oy)
        for (int ox = -1; ox <= 1; ++ox) {
            float dx = ox * w, dy = oy * h;
            Fill(img, Moved(shape, dx, dy), [&](float x, float y) { return paint(x - dx, y - dy); }, opacity);
        }
}

// ---------------------------------------------------------------- noise

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

static float Lattice(int ix, int iy, int period, uint32_t seed) {
    ix = ((ix % period) + period) % period;
    iy = ((iy % period) + period) % period;
    return (Hash(uint32_t(ix), uint32_t(iy), seed) & 0xFFFFFF) / float(0xFFFFFF);
}

float TileNoise(float x, float y, float cell, int period, uint32_t seed) {
    float fx = x / cell, fy = y / cell;
    int ix = int(std::floor(fx)), iy = int(std::floor(fy));
    float tx = fx - ix, ty = fy - iy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    float a = Lattice(ix, iy, period, seed), b = Lattice(ix + 1, iy, period, seed);
    float c = Lattice(ix, iy + 1, period, seed), d = Lattice(ix + 1, iy + 1, period, seed);
    return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

float TileFbm(float x, float y, float cell, int period, int octaves, uint32_t seed) {
    float sum = 0, weight = 0, amp = 1;
    for (int o = 0; o < octaves && cell >= 1.0f; ++o) {
        sum += TileNoise(x, y, cell, period, seed + uint32_t(o) * 101u) * amp;
        weight += amp;
        amp *= 0.5f;
        cell *= 0.5f;
        period *= 2;
    }
    return weight > 0 ? sum / weight : 0.5f;
}

uint32_t Random::Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

float Random::Uniform(float lo, float hi) { return lo + (hi - lo) * ((Next() >> 8) / float(1 << 24)); }

int Random::Int(int lo, int hi) { return lo + int(Next() % uint32_t(hi - lo + 1)); }

// ---------------------------------------------------------------- operations

void AddOutline(Image& img, Rgba colour, int width) {
    Image ring(img.Width(), img.Height());
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x) {
            float best = 0;
            for (int j = -width; j <= width; ++j)
                for (int i = -width; i <= width; ++i) {
                    int sx = x + i, sy = y + j;
                    if (sx < 0 || sy < 0 || sx >= img.Width() || sy >= img.Height()) continue;
                    if (i * i + j * j > width * width + width) continue;
                    best = std::max(best, img.At(sx, sy).a);
                }
            ring.At(x, y) = WithAlpha(colour, best * colour.a);
        }
    ring.Draw(img, 0, 0);
    img = ring;
}

Image ShadowOf(const Image& img, int dx, int dy, int blur, Rgba colour) {
    int w = img.Width(), h = img.Height();
    std::vector<float> a(size_t(w) * h, 0.0f), t(a.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sx = x - dx, sy = y - dy;
            if (sx >= 0 && sy >= 0 && sx < w && sy < h) a[size_t(y) * w + x] = img.At(sx, sy).a;
        }
    for (int pass = 0; pass < 2 && blur > 0; ++pass) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float s = 0;
                for (int i = -blur; i <= blur; ++i) s += a[size_t(y) * w + std::clamp(x + i, 0, w - 1)];
                t[size_t(y) * w + x] = s / (2 * blur + 1);
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float s = 0;
                for (int i = -blur; i <= blur; ++i) s += t[size_t(std::clamp(y + i, 0, h - 1)) * w + x];
                a[size_t(y) * w + x] = s / (2 * blur + 1);
            }
    }
    Image out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) out.At(x, y) = WithAlpha(colour, colour.a * a[size_t(y) * w + x]);
    return out;
}

Image Resize(const Image& src, int width, int height) {
    Image out(width, height);
    float sx = float(src.Width()) / width, sy = float(src.Height()) / height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float x0 = x * sx, x1 = (x + 1) * sx, y0 = y * sy, y1 = (y + 1) * sy;
            float r = 0, g = 0, b = 0, a = 0, area = 0;
            for (int j = int(y0); j < int(std::ceil(y1)) && j < src.Height(); ++j)
                for (int i = int(x0); i < int(std::ceil(x1)) && i < src.Width(); ++i) {
                    float wx = std::min(x1, float(i + 1)) - std::max(x0, float(i));
                    float wy = std::min(y1, float(j + 1)) - std::max(y0, float(j));
                    float w = wx * wy;
                    const Rgba& p = src.At(i, j);
                    r += p.r * p.a * w, g += p.g * p.a * w, b += p.b * p.a * w, a += p.a * w;
                    area += w;
                }
            if (a > 0) out.At(x, y) = {r / a, g / a, b / a, a / area};
        }
    return out;
}

Image Grey(const Image& src, float fade) {
    Image out = src;
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x) {
            Rgba& p = out.At(x, y);
            float l = 0.3f * p.r + 0.59f * p.g + 0.11f * p.b;
            l = l + (0.55f - l) * fade;
            p.r = p.g = p.b = l;
        }
    return out;
}

Image Brighter(const Image& src, float amount) {
    Image out = src;
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x) {
            Rgba& p = out.At(x, y);
            p = WithAlpha(Shade(p, amount), p.a);
        }
    return out;
}

void DrawWrapped(Image& dst, const Image& sprite, int x, int y) {
    for (int oy = -1; oy <= 1; ++oy)
        for (int ox = -1; ox <= 1; ++ox) dst.Draw(sprite, x + ox * dst.Width(), y + oy * dst.Height());
}

}  // namespace art
