// xm_writer.cpp - writes an XmModule in the Extended Module layout, and the
// song's records through it. All multi-byte values are little-endian;
// lengths and loop points of samples are written in bytes, so 16-bit samples
// count double.
#include "xm_writer.h"

#include <stdexcept>

namespace {

constexpr char XM_ID[] = "Extended Module: ";  // 17 bytes, no terminator written
constexpr uint16_t XM_VERSION = 0x0104;
constexpr uint32_t XM_HEADER_SIZE = 276;  // from offset 60: size field, 8 words, order table
constexpr uint32_t PATTERN_HEADER_SIZE = 9;
constexpr uint32_t INSTRUMENT_HEADER_SIZE = 263;  // 33 + 208 extended + 22 reserved
constexpr uint32_t EMPTY_INSTRUMENT_SIZE = 29;    // without the sample header size
constexpr uint32_t EXTENDED_HEADER_END = 241;     // 33 + 208
constexpr uint32_t SAMPLE_HEADER_SIZE = 40;
constexpr size_t MAX_ENVELOPE_POINTS = 12;
constexpr uint8_t PACKED_4BIT = 0xAD;

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
    void resize(size_t n) { out_.resize(n); }
    size_t size() const { return out_.size(); }
    std::vector<uint8_t> take() { return std::move(out_); }

   private:
    std::vector<uint8_t> out_;
};

void WriteHeader(Bytes& b, const XmModule& m) {
    b.text(XM_ID, 17);
    b.text(m.name, 20);
    b.u8(0x1A);
    b.text(m.tracker, 20);
    b.u16(XM_VERSION);
    b.u32(XM_HEADER_SIZE);
    b.u16(m.songLength);
    b.u16(m.restart);
    b.u16(m.channels);
    b.u16(uint16_t(m.patternCountOverride >= 0 ? m.patternCountOverride : int(m.patterns.size())));
    b.u16(uint16_t(m.instrumentCountOverride >= 0 ? m.instrumentCountOverride : int(m.instruments.size())));
    b.u16(m.flags);
    b.u16(m.tempo);
    b.u16(m.bpm);
    for (size_t i = 0; i < 256; ++i) b.u8(i < m.orders.size() ? m.orders[i] : 0);
}

void WritePattern(Bytes& b, const XmPattern& p) {
    const std::vector<uint8_t> packed = PackCells(p.cells);
    b.u32(PATTERN_HEADER_SIZE);
    b.u8(0);  // packing type
    b.u16(p.rows);
    b.u16(packed.empty() && p.forcePackedSize ? 1 : uint32_t(packed.size()));
    b.append(packed);
}

void WriteEnvelopePoints(Bytes& b, const XmEnvelope& e) {
    for (size_t i = 0; i < MAX_ENVELOPE_POINTS; ++i) {
        b.u16(i < e.points.size() ? e.points[i].first : 0);
        b.u16(i < e.points.size() ? e.points[i].second : 0);
    }
}

// The 208 bytes of the extended instrument header.
void WriteExtendedHeader(Bytes& b, const XmInstrument& ins) {
    for (uint8_t n : ins.sampleForNote) b.u8(n);
    WriteEnvelopePoints(b, ins.volume);
    WriteEnvelopePoints(b, ins.panning);
    b.u8(ins.volume.countOverride ? ins.volume.countOverride : uint8_t(ins.volume.points.size()));
    b.u8(ins.panning.countOverride ? ins.panning.countOverride : uint8_t(ins.panning.points.size()));
    for (const XmEnvelope* e : {&ins.volume, &ins.panning}) {
        b.u8(e->sustain);
        b.u8(e->loopStart);
        b.u8(e->loopEnd);
    }
    b.u8(ins.volume.type);
    b.u8(ins.panning.type);
    b.u8(ins.vibratoType);
    b.u8(ins.vibratoSweep);
    b.u8(ins.vibratoDepth);
    b.u8(ins.vibratoRate);
    b.u16(ins.fadeout);
}

// A sample header, cut to the instrument's sample header size.
void WriteSampleHeader(Bytes& b, const XmSample& s, uint32_t headerSize) {
    const size_t start = b.size();
    const uint32_t unit = s.sixteen ? 2 : 1;
    b.u32((s.lengthOverride ? s.lengthOverride : uint32_t(s.data.size())) * unit);
    b.u32(s.loopStart * unit);
    b.u32(s.loopLength * unit);
    b.u8(s.volume);
    b.u8(uint8_t(s.finetune));
    b.u8(uint32_t(s.loopType) | (s.sixteen ? 0x10 : 0));
    b.u8(s.panning);
    b.u8(uint8_t(s.relativeNote));
    b.u8(s.packed4.empty() ? 0 : PACKED_4BIT);
    b.text(s.name, 22);
    b.resize(start + (headerSize < SAMPLE_HEADER_SIZE ? headerSize : SAMPLE_HEADER_SIZE));
}

// Delta coding: each value is stored as its difference from the one before
// (of their high bytes, for 8-bit data).
void WriteSampleData(Bytes& b, const XmSample& s) {
    if (!s.packed4.empty()) return b.append(s.packed4);
    int16_t last = 0;
    for (int16_t v : s.data) {
        if (s.sixteen) {
            b.u16(uint16_t(v - last));
            last = v;
        } else {
            const int8_t high = int8_t(v >> 8);
            b.u8(uint8_t(high - last));
            last = high;
        }
    }
}

void WriteInstrument(Bytes& b, const XmInstrument& ins) {
    const bool withSamples = !ins.samples.empty() || ins.sampleCountOverride;
    const uint32_t headerSize = ins.headerSize ? ins.headerSize
                                               : (withSamples ? INSTRUMENT_HEADER_SIZE : EMPTY_INSTRUMENT_SIZE);
    const size_t start = b.size();
    b.u32(headerSize);
    b.text(ins.name, 22);
    b.u8(0);  // instrument type
    b.u16(ins.sampleCountOverride ? ins.sampleCountOverride : uint16_t(ins.samples.size()));
    b.u32(ins.sampleHeaderSize);
    if (!withSamples) {
        // Exactly headerSize bytes: a header shorter than the 33 a reader
        // takes in one read (29, the usual size) makes it step back.
        b.resize(start + headerSize);
        return;
    }
    WriteExtendedHeader(b, ins);
    if (headerSize > EXTENDED_HEADER_END) b.zeros(headerSize - EXTENDED_HEADER_END);  // reserved
    for (const XmSample& s : ins.samples) WriteSampleHeader(b, s, ins.sampleHeaderSize);
    for (const XmSample& s : ins.samples) WriteSampleData(b, s);
}

}  // namespace

std::vector<uint8_t> PackCells(const std::vector<XmCell>& cells) {
    std::vector<uint8_t> out;
    for (const XmCell& c : cells) {
        if (c.note && c.instrument && c.volume && c.effect && c.parameter) {
            out.insert(out.end(), {c.note, c.instrument, c.volume, c.effect, c.parameter});
            continue;
        }
        out.push_back(uint8_t(0x80 | (c.note ? 1 : 0) | (c.instrument ? 2 : 0) | (c.volume ? 4 : 0) |
                              (c.effect ? 8 : 0) | (c.parameter ? 16 : 0)));
        for (uint8_t field : {c.note, c.instrument, c.volume, c.effect, c.parameter})
            if (field) out.push_back(field);
    }
    return out;
}

std::vector<uint8_t> BuildXm(const XmModule& m) {
    Bytes b;
    WriteHeader(b, m);
    for (const XmPattern& p : m.patterns) WritePattern(b, p);
    for (const XmInstrument& ins : m.instruments) WriteInstrument(b, ins);
    return b.take();
}

namespace song {
namespace {

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

void CheckModule(const Module& m) {
    if (m.orders.empty() || m.orders.size() > 256) throw std::runtime_error("song length must be 1-256 orders");
    if (m.channels < 1 || m.channels > 32) throw std::runtime_error("channel count must be 1-32");
    if (m.patterns.empty() || m.patterns.size() > 256) throw std::runtime_error("pattern count must be 1-256");
    if (m.instruments.size() > 128) throw std::runtime_error("more than 128 instruments");
    if (m.restart < 0 || size_t(m.restart) >= m.orders.size())
        throw std::runtime_error("restart outside the song");
    for (uint8_t o : m.orders)
        if (o >= m.patterns.size()) throw std::runtime_error("order names a missing pattern");
    for (const Pattern& p : m.patterns) {
        if (p.rows < 1 || p.rows > 256 || p.cells.size() != size_t(p.rows) * m.channels)
            throw std::runtime_error("pattern rows must be 1-256 with a cell per channel");
        for (const Cell& c : p.cells)
            if (c.note > NOTE_KEY_OFF || c.instrument > m.instruments.size())
                throw std::runtime_error("pattern cell names a bad note or instrument");
    }
    for (const Instrument& ins : m.instruments) {
        const Sample& s = ins.sample;
        CheckEnvelope(ins.volumeEnvelope, ins.name);
        CheckEnvelope(ins.panningEnvelope, ins.name);
        if (s.volume > 64) throw std::runtime_error(ins.name + ": sample volume above 64");
        if (s.loop != LoopType::None && (s.loopLength == 0 || s.loopStart + s.loopLength > s.data.size()))
            throw std::runtime_error(ins.name + ": loop outside the sample");
    }
}

XmPattern ToXm(const Pattern& p) {
    XmPattern x;
    x.rows = uint16_t(p.rows);
    for (const Cell& c : p.cells) x.cells.push_back({c.note, c.instrument, c.volume, c.effect, c.param});
    if (PackCells(x.cells).size() > 0xFFFF) throw std::runtime_error("packed pattern above 65535 bytes");
    return x;
}

XmEnvelope ToXm(const Envelope& e) {
    XmEnvelope x;
    for (const EnvelopePoint& p : e.points) x.points.push_back({p.tick, p.value});
    x.sustain = e.sustainPoint;
    x.loopStart = e.loopStart;
    x.loopEnd = e.loopEnd;
    x.type = e.points.size() < 2 ? 0 : uint8_t(1 | (e.sustain ? 2 : 0) | (e.loop ? 4 : 0));
    return x;
}

// Every instrument of the song has one sample, which every note plays.
XmInstrument ToXm(const Instrument& ins) {
    XmInstrument x;
    x.name = ins.name;
    const Sample& s = ins.sample;
    const bool looped = s.loop != LoopType::None;
    XmSample xs;
    xs.name = s.name;
    xs.data = s.data;
    xs.sixteen = s.sixteenBit;
    xs.loopStart = looped ? s.loopStart : 0;
    xs.loopLength = looped ? s.loopLength : 0;
    xs.loopType = uint8_t(s.loop);
    xs.volume = s.volume;
    xs.finetune = s.finetune;
    xs.panning = s.panning;
    xs.relativeNote = s.relativeNote;
    x.samples.push_back(xs);
    x.volume = ToXm(ins.volumeEnvelope);
    x.panning = ToXm(ins.panningEnvelope);
    x.vibratoType = ins.vibratoType;
    x.vibratoSweep = ins.vibratoSweep;
    x.vibratoDepth = ins.vibratoDepth;
    x.vibratoRate = ins.vibratoRate;
    x.fadeout = ins.fadeout;
    return x;
}

}  // namespace

std::vector<uint8_t> WriteModule(const Module& m) {
    CheckModule(m);
    XmModule x;
    x.name = m.name;
    x.tracker = m.tracker;
    x.songLength = uint16_t(m.orders.size());
    x.restart = uint16_t(m.restart);
    x.channels = uint16_t(m.channels);
    x.flags = m.linearFrequencies ? 1 : 0;
    x.tempo = uint16_t(m.defaultSpeed);
    x.bpm = uint16_t(m.defaultBpm);
    x.orders = m.orders;
    for (const Pattern& p : m.patterns) x.patterns.push_back(ToXm(p));
    for (const Instrument& ins : m.instruments) x.instruments.push_back(ToXm(ins));
    return BuildXm(x);
}

}  // namespace song
