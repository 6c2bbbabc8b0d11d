// xm_read.cpp - the tests' own XM parser. Every read is bounds-checked; a
// module that ends early or breaks a limit is refused with a message.
#include "xm_read.h"

#include <fstream>
#include <iterator>

namespace xmread {
namespace {

class Reader {
   public:
    Reader(const std::vector<uint8_t>& b, std::string what) : b_(b), what_(std::move(what)) {}
    void need(size_t n, const char* field) const {
        if (pos_ + n > b_.size()) fail(std::string("file ends inside ") + field);
    }
    uint8_t u8(const char* f) {
        need(1, f);
        return b_[pos_++];
    }
    uint16_t u16(const char* f) {
        need(2, f);
        uint16_t v = uint16_t(b_[pos_] | b_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    uint32_t u32(const char* f) {
        uint32_t lo = u16(f);
        return lo | uint32_t(u16(f)) << 16;
    }
    std::string text(size_t n, const char* f) {
        need(n, f);
        std::string s(b_.begin() + long(pos_), b_.begin() + long(pos_ + n));
        pos_ += n;
        const size_t zero = s.find('\0');
        return zero == std::string::npos ? s : s.substr(0, zero);
    }
    void skip(size_t n, const char* f) {
        need(n, f);
        pos_ += n;
    }
    size_t pos() const { return pos_; }
    [[noreturn]] void fail(const std::string& problem) const {
        throw std::runtime_error(what_ + ": " + problem + " (at byte " + std::to_string(pos_) + ")");
    }

   private:
    const std::vector<uint8_t>& b_;
    std::string what_;
    size_t pos_ = 0;
};

void ReadEnvelopePoints(Reader& r, Envelope& e) {
    for (Point& p : e.points) {
        p.tick = r.u16("envelope");
        p.value = r.u16("envelope");
    }
}

}  // namespace

Module Parse(const std::vector<uint8_t>& bytes, const std::string& what) {
    Reader r(bytes, what);
    Module m;
    m.fileSize = bytes.size();
    m.id = r.text(17, "ID text");
    if (m.id != "Extended Module: ") r.fail("not an XM module (ID text)");
    m.name = r.text(20, "module name");
    m.marker = r.u8("header");
    m.tracker = r.text(20, "tracker name");
    m.version = r.u16("version");
    m.headerSize = r.u32("header size");
    m.songLength = r.u16("song length");
    m.restart = r.u16("restart position");
    m.channels = r.u16("channels");
    m.patternCount = r.u16("pattern count");
    m.instrumentCount = r.u16("instrument count");
    m.flags = r.u16("flags");
    m.defaultSpeed = r.u16("default tempo");
    m.defaultBpm = r.u16("default BPM");
    for (uint8_t& o : m.orders) o = r.u8("order table");
    if (m.headerSize < 20 + 256) r.fail("header size below 276");
    r.skip(60 + m.headerSize - r.pos(), "header");
    if (m.songLength < 1 || m.songLength > 256) r.fail("song length outside 1-256");
    if (m.channels < 1 || m.channels > 64) r.fail("channel count outside 1-64");
    if (m.patternCount < 1 || m.patternCount > 256) r.fail("pattern count outside 1-256");
    if (m.instrumentCount > 128) r.fail("more than 128 instruments");

    for (int p = 0; p < m.patternCount; ++p) {
        Pattern pat;
        const size_t start = r.pos();
        pat.headerLength = r.u32("pattern header");
        pat.packingType = r.u8("pattern header");
        pat.rows = r.u16("pattern header");
        pat.packedSize = r.u16("pattern header");
        if (pat.headerLength < 9) r.fail("pattern header shorter than 9 bytes");
        r.skip(start + pat.headerLength - r.pos(), "pattern header");
        if (pat.rows < 1 || pat.rows > 256) r.fail("pattern " + std::to_string(p) + " rows outside 1-256");
        pat.cells.resize(size_t(pat.rows) * m.channels);
        if (pat.packedSize) {
            const size_t dataStart = r.pos();
            for (Cell& c : pat.cells) {
                const uint8_t b = r.u8("pattern data");
                if (b & 0x80) {
                    ++pat.maskedCells;
                    if (b & 1) c.note = r.u8("pattern data");
                    if (b & 2) c.instrument = r.u8("pattern data");
                    if (b & 4) c.volume = r.u8("pattern data");
                    if (b & 8) c.effect = r.u8("pattern data");
                    if (b & 16) c.param = r.u8("pattern data");
                } else {
                    ++pat.rawCells;
                    c.note = b;
                    c.instrument = r.u8("pattern data");
                    c.volume = r.u8("pattern data");
                    c.effect = r.u8("pattern data");
                    c.param = r.u8("pattern data");
                }
                if (r.pos() - dataStart > size_t(pat.packedSize))
                    r.fail("pattern " + std::to_string(p) + " unpacks beyond its packed size");
            }
            pat.packedBytesUsed = int(r.pos() - dataStart);
        }
        m.patterns.push_back(std::move(pat));
    }

    for (int i = 0; i < m.instrumentCount; ++i) {
        Instrument ins;
        const size_t start = r.pos();
        ins.headerSize = r.u32("instrument header");
        ins.name = r.text(22, "instrument name");
        ins.type = r.u8("instrument header");
        const int sampleCount = r.u16("instrument header");
        if (ins.headerSize < 29) r.fail("instrument header below 29 bytes");
        if (sampleCount > 16) r.fail("instrument " + std::to_string(i + 1) + " has more than 16 samples");
        if (sampleCount > 0) {
            ins.sampleHeaderSize = r.u32("instrument header");
            if (ins.headerSize < 33 + 208) r.fail("instrument header too short for its extended part");
            for (uint8_t& s : ins.sampleForNote) s = r.u8("sample map");
            ReadEnvelopePoints(r, ins.volume);
            ReadEnvelopePoints(r, ins.panning);
            ins.volume.count = r.u8("envelope");
            ins.panning.count = r.u8("envelope");
            ins.volume.sustain = r.u8("envelope");
            ins.volume.loopStart = r.u8("envelope");
            ins.volume.loopEnd = r.u8("envelope");
            ins.panning.sustain = r.u8("envelope");
            ins.panning.loopStart = r.u8("envelope");
            ins.panning.loopEnd = r.u8("envelope");
            ins.volume.type = r.u8("envelope");
            ins.panning.type = r.u8("envelope");
            ins.vibratoType = r.u8("vibrato");
            ins.vibratoSweep = r.u8("vibrato");
            ins.vibratoDepth = r.u8("vibrato");
            ins.vibratoRate = r.u8("vibrato");
            ins.fadeout = r.u16("fadeout");
            if (ins.sampleHeaderSize != 40) r.fail("sample header size is not 40");
        }
        r.skip(start + ins.headerSize - r.pos(), "instrument header");
        for (int s = 0; s < sampleCount; ++s) {
            Sample smp;
            smp.lengthBytes = r.u32("sample header");
            smp.loopStartBytes = r.u32("sample header");
            smp.loopLengthBytes = r.u32("sample header");
            smp.volume = r.u8("sample header");
            smp.finetune = int8_t(r.u8("sample header"));
            smp.type = r.u8("sample header");
            smp.panning = r.u8("sample header");
            smp.relativeNote = int8_t(r.u8("sample header"));
            smp.packing = r.u8("sample header");
            smp.name = r.text(22, "sample name");
            ins.samples.push_back(std::move(smp));
        }
        for (Sample& smp : ins.samples) {
            if (smp.packing != 0) r.fail("packed sample data");
            if (smp.sixteenBit() && (smp.lengthBytes & 1)) r.fail("16-bit sample of odd byte length");
            const uint32_t n = smp.length();
            r.need(smp.lengthBytes, "sample data");
            smp.data.resize(n);
            int16_t acc16 = 0;
            int8_t acc8 = 0;
            for (uint32_t k = 0; k < n; ++k) {
                if (smp.sixteenBit()) {
                    acc16 = int16_t(acc16 + int16_t(r.u16("sample data")));
                    smp.data[k] = acc16;
                } else {
                    acc8 = int8_t(acc8 + int8_t(r.u8("sample data")));
                    smp.data[k] = int16_t(acc8 * 256);
                }
            }
        }
        m.instruments.push_back(std::move(ins));
    }
    m.bytesRead = r.pos();
    return m;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot open");
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Timing TimePass(const Module& m) {
    Timing t;
    int speed = m.defaultSpeed, bpm = m.defaultBpm;
    for (int o = 0; o < m.songLength; ++o) {
        const Pattern& p = m.patterns.at(m.orders[o]);
        for (int r = 0; r < p.rows; ++r) {
            int delay = 0;
            for (int c = 0; c < m.channels; ++c) {
                const Cell& cell = p.at(r, c, m.channels);
                if (cell.effect == 0xF && cell.param) (cell.param < 32 ? speed : bpm) = cell.param;
                if (cell.effect == 0xE && (cell.param >> 4) == 0xE) delay = cell.param & 15;
            }
            t.lastRowSeconds = (speed + delay * speed) * 2.5 / bpm;
            t.seconds += t.lastRowSeconds;
            if (o >= m.restart) t.loopSeconds += t.lastRowSeconds;
        }
    }
    t.speedAtEnd = speed;
    t.bpmAtEnd = bpm;
    return t;
}

}  // namespace xmread
