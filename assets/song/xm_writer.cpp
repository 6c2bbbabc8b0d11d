// xm_writer.cpp - serialises a Module in the Extended Module layout. All
// multi-byte values are little-endian; lengths and loop points of samples
// are written in bytes, so 16-bit samples count double.
#include "xm_writer.h"

#include <stdexcept>

namespace song {
namespace {

constexpr char XM_ID[] = "Extended Module: ";  // 17 bytes, no terminator written
constexpr uint16_t XM_VERSION = 0x0104;
constexpr uint32_t XM_HEADER_SIZE = 276;  // from offset 60: size field, 8 words, order table
constexpr uint32_t PATTERN_HEADER_SIZE = 9;
constexpr uint32_t INSTRUMENT_HEADER_SIZE = 263;  // 33 + 208 extended + 22 reserved
constexpr uint32_t SAMPLE_HEADER_SIZE = 40;
constexpr int MAX_ENVELOPE_POINTS = 12;

class Bytes {
   public:
    void u8(uint32_t v) { out_.push_back(uint8_t(v)); }
    void u16(uint32_t v) {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    // A fixed-width text field, cut or padded with zero bytes.
    void text(const std::string& s, size_t width) {
        for (size_t i = 0; i < width; ++i) u8(i < s.size() ? uint8_t(s[i]) : 0);
    }
    void zeros(size_t n) { out_.insert(out_.end(), n, 0); }
    void append(const std::vector<uint8_t>& v) { out_.insert(out_.end(), v.begin(), v.end()); }
    size_t size() const { return out_.size(); }
    std::vector<uint8_t> take() { return std::move(out_); }

   private:
    std::vector<uint8_t> out_;
};

void CheckEnvelope(const Envelope& e, const std::string& instrument) {
    const size_t n = e.points.size();
    if (n > MAX_ENVELOPE_POINTS) throw std::runtime_error(instrument + ": more than 12 envelope points");
    for (size_t i = 1; i < n; ++i)
        if (e.points[i].tick <= e.points[i - 1].tick)
            throw std::runtime_error(instrument + ": envelope ticks must rise");
    for (const auto& p : e.points)
        if (p.value > 64) throw std::runtime_error(instrument + ": envelope value above 64");
    if ((e.sustain && e.sustainPoint >= n) || (e.loop && (e.loopStart > e.loopEnd || e.loopEnd >= n)))
        throw std::runtime_error(instrument + ": envelope sustain or loop point out of range");
}

void WriteEnvelopePoints(Bytes& b, const Envelope& e) {
    for (int i = 0; i < MAX_ENVELOPE_POINTS; ++i) {
        if (size_t(i) < e.points.size()) {
            b.u16(e.points[i].tick);
            b.u16(e.points[i].value);
        } else {
            b.u32(0);
        }
    }
}

uint8_t EnvelopeType(const Envelope& e) {
    if (e.points.size() < 2) return 0;
    return uint8_t(1 | (e.sustain ? 2 : 0) | (e.loop ? 4 : 0));
}

void WriteInstrument(Bytes& b, const Instrument& ins) {
    const Sample& s = ins.sample;
    CheckEnvelope(ins.volumeEnvelope, ins.name);
    CheckEnvelope(ins.panningEnvelope, ins.name);
    if (s.volume > 64) throw std::runtime_error(ins.name + ": sample volume above 64");
    if (s.loop != LoopType::None && (s.loopLength == 0 || s.loopStart + s.loopLength > s.data.size()))
        throw std::runtime_error(ins.name + ": loop outside the sample");

    const size_t start = b.size();
    b.u32(INSTRUMENT_HEADER_SIZE);
    b.text(ins.name, 22);
    b.u8(0);   // instrument type
    b.u16(1);  // number of samples
    b.u32(SAMPLE_HEADER_SIZE);
    b.zeros(96);  // every note plays sample 0
    WriteEnvelopePoints(b, ins.volumeEnvelope);
    WriteEnvelopePoints(b, ins.panningEnvelope);
    b.u8(uint8_t(ins.volumeEnvelope.points.size()));
    b.u8(uint8_t(ins.panningEnvelope.points.size()));
    b.u8(ins.volumeEnvelope.sustainPoint);
    b.u8(ins.volumeEnvelope.loopStart);
    b.u8(ins.volumeEnvelope.loopEnd);
    b.u8(ins.panningEnvelope.sustainPoint);
    b.u8(ins.panningEnvelope.loopStart);
    b.u8(ins.panningEnvelope.loopEnd);
    b.u8(EnvelopeType(ins.volumeEnvelope));
    b.u8(EnvelopeType(ins.panningEnvelope));
    b.u8(ins.vibratoType);
    b.u8(ins.vibratoSweep);
    b.u8(ins.vibratoDepth);
    b.u8(ins.vibratoRate);
    b.u16(ins.fadeout);
    b.zeros(start + INSTRUMENT_HEADER_SIZE - b.size());  // reserved

    const uint32_t width = s.sixteenBit ? 2 : 1;
    const bool looped = s.loop != LoopType::None;
    b.u32(uint32_t(s.data.size()) * width);
    b.u32(looped ? s.loopStart * width : 0);
    b.u32(looped ? s.loopLength * width : 0);
    b.u8(s.volume);
    b.u8(uint8_t(s.finetune));
    b.u8(uint8_t(s.loop) | (s.sixteenBit ? 0x10 : 0));
    b.u8(s.panning);
    b.u8(uint8_t(s.relativeNote));
    b.u8(0);  // not packed
    b.text(s.name, 22);

    // Delta coding: each value is stored as its difference from the one before.
    if (s.sixteenBit) {
        int16_t last = 0;
        for (int16_t v : s.data) {
            b.u16(uint16_t(v - last));
            last = v;
        }
    } else {
        int8_t last = 0;
        for (int16_t v : s.data) {
            const int8_t hi = int8_t(v >> 8);
            b.u8(uint8_t(hi - last));
            last = hi;
        }
    }
}

}  // namespace

std::vector<uint8_t> PackPattern(const Pattern& pattern, int channels) {
    std::vector<uint8_t> out;
    for (int row = 0; row < pattern.rows; ++row) {
        for (int ch = 0; ch < channels; ++ch) {
            const Cell& c = pattern.cells[size_t(row) * channels + ch];
            if (c.note && c.instrument && c.volume && c.effect && c.param) {
                out.insert(out.end(), {c.note, c.instrument, c.volume, c.effect, c.param});
                continue;
            }
            const uint8_t mask = uint8_t(0x80 | (c.note ? 1 : 0) | (c.instrument ? 2 : 0) |
                                         (c.volume ? 4 : 0) | (c.effect ? 8 : 0) | (c.param ? 16 : 0));
            out.push_back(mask);
            if (c.note) out.push_back(c.note);
            if (c.instrument) out.push_back(c.instrument);
            if (c.volume) out.push_back(c.volume);
            if (c.effect) out.push_back(c.effect);
            if (c.param) out.push_back(c.param);
        }
    }
    return out;
}

std::vector<uint8_t> WriteModule(const Module& m) {
    if (m.orders.empty() || m.orders.size() > 256)
        throw std::runtime_error("song length must be 1-256 orders");
    if (m.channels < 1 || m.channels > 32) throw std::runtime_error("channel count must be 1-32");
    if (m.patterns.empty() || m.patterns.size() > 256)
        throw std::runtime_error("pattern count must be 1-256");
    if (m.instruments.size() > 128) throw std::runtime_error("more than 128 instruments");
    if (m.restart < 0 || size_t(m.restart) >= m.orders.size())
        throw std::runtime_error("restart outside the song");
    for (uint8_t o : m.orders)
        if (o >= m.patterns.size()) throw std::runtime_error("order names a missing pattern");

    Bytes b;
    b.text(XM_ID, 17);
    b.text(m.name, 20);
    b.u8(0x1A);
    b.text(m.tracker, 20);
    b.u16(XM_VERSION);
    b.u32(XM_HEADER_SIZE);
    b.u16(uint16_t(m.orders.size()));
    b.u16(uint16_t(m.restart));
    b.u16(uint16_t(m.channels));
    b.u16(uint16_t(m.patterns.size()));
    b.u16(uint16_t(m.instruments.size()));
    b.u16(m.linearFrequencies ? 1 : 0);
    b.u16(uint16_t(m.defaultSpeed));
    b.u16(uint16_t(m.defaultBpm));
    for (int i = 0; i < 256; ++i) b.u8(size_t(i) < m.orders.size() ? m.orders[i] : 0);

    for (const Pattern& p : m.patterns) {
        if (p.rows < 1 || p.rows > 256 || p.cells.size() != size_t(p.rows) * m.channels)
            throw std::runtime_error("pattern rows must be 1-256 with a cell per channel");
        for (const Cell& c : p.cells)
            if (c.note > NOTE_KEY_OFF || c.instrument > m.instruments.size())
                throw std::runtime_error("pattern cell names a bad note or instrument");
        const std::vector<uint8_t> packed = PackPattern(p, m.channels);
        if (packed.size() > 0xFFFF) throw std::runtime_error("packed pattern above 65535 bytes");
        b.u32(PATTERN_HEADER_SIZE);
        b.u8(0);  // packing type
        b.u16(uint16_t(p.rows));
        b.u16(uint16_t(packed.size()));
        b.append(packed);
    }
    for (const Instrument& ins : m.instruments) WriteInstrument(b, ins);
    return b.take();
}

}  // namespace song
