#include "xm_writer.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "loader.h"
#include "mixer.h"
#include "player.h"
#include "replayer.h"
#include "source.h"

namespace {

void Put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, uint16_t(v));
    Put16(b, uint16_t(v >> 16));
}
void PutText(std::vector<uint8_t>& b, const char* text, size_t size) {
    for (size_t i = 0; i < size; i++) b.push_back(i < strlen(text) ? uint8_t(text[i]) : 0);
}

void PutEnvelopePoints(std::vector<uint8_t>& b, const XmEnvelope& e) {
    for (size_t i = 0; i < 12; i++) {
        uint16_t x = i < e.points.size() ? e.points[i].first : 0;
        uint16_t y = i < e.points.size() ? e.points[i].second : 0;
        Put16(b, x);
        Put16(b, y);
    }
}

}  // namespace

std::vector<uint8_t> BuildXm(const XmModule& m) {
    std::vector<uint8_t> b;
    PutText(b, "Extended Module: ", 17);
    PutText(b, "test", 20);
    b.push_back(0x1A);
    PutText(b, "xm_writer", 20);
    Put16(b, 0x0104);
    Put32(b, 276);
    Put16(b, m.songLength);
    Put16(b, m.restart);
    Put16(b, m.channels);
    Put16(b, uint16_t(m.patternCountOverride >= 0 ? m.patternCountOverride : int(m.patterns.size())));
    Put16(b,
          uint16_t(m.instrumentCountOverride >= 0 ? m.instrumentCountOverride : int(m.instruments.size())));
    Put16(b, m.flags);
    Put16(b, m.tempo);
    Put16(b, m.bpm);
    for (size_t i = 0; i < 256; i++) b.push_back(i < m.orders.size() ? m.orders[i] : 0);

    for (const XmPattern& p : m.patterns) {
        std::vector<uint8_t> packed;
        for (const XmCell& c : p.cells) {
            uint8_t mask = 0x80 | (c.note ? 1 : 0) | (c.instrument ? 2 : 0) | (c.volume ? 4 : 0) |
                           (c.effect ? 8 : 0) | (c.parameter ? 16 : 0);
            packed.push_back(mask);
            if (c.note) packed.push_back(c.note);
            if (c.instrument) packed.push_back(c.instrument);
            if (c.volume) packed.push_back(c.volume);
            if (c.effect) packed.push_back(c.effect);
            if (c.parameter) packed.push_back(c.parameter);
        }
        Put32(b, 9);
        b.push_back(0);
        Put16(b, p.rows);
        uint16_t size = uint16_t(packed.size());
        if (size == 0 && p.forcePackedSize) size = 1;
        Put16(b, size);
        b.insert(b.end(), packed.begin(), packed.end());
    }

    for (const XmInstrument& ins : m.instruments) {
        bool withSamples = !ins.samples.empty() || ins.sampleCountOverride;
        uint32_t headerSize = ins.headerSize ? ins.headerSize : (withSamples ? 263 : 29);
        Put32(b, headerSize);
        PutText(b, "instrument", 22);
        b.push_back(0);
        Put16(b, ins.sampleCountOverride ? ins.sampleCountOverride : uint16_t(ins.samples.size()));
        Put32(b, ins.sampleHeaderSize);
        if (!withSamples) {
            // A header of 29 bytes: the reader steps back over the 4 bytes it read too many.
            for (uint32_t i = 33; i < headerSize; i++) b.push_back(0);
            for (uint32_t i = headerSize; i < 33; i++) b.pop_back();
            continue;
        }
        for (int i = 0; i < 96; i++) b.push_back(ins.sampleForNote[i]);
        PutEnvelopePoints(b, ins.volume);
        PutEnvelopePoints(b, ins.panning);
        b.push_back(ins.volume.countOverride ? ins.volume.countOverride : uint8_t(ins.volume.points.size()));
        b.push_back(ins.panning.countOverride ? ins.panning.countOverride
                                              : uint8_t(ins.panning.points.size()));
        b.push_back(ins.volume.sustain);
        b.push_back(ins.volume.loopStart);
        b.push_back(ins.volume.loopEnd);
        b.push_back(ins.panning.sustain);
        b.push_back(ins.panning.loopStart);
        b.push_back(ins.panning.loopEnd);
        b.push_back(ins.volume.type);
        b.push_back(ins.panning.type);
        b.push_back(ins.vibratoType);
        b.push_back(ins.vibratoSweep);
        b.push_back(ins.vibratoDepth);
        b.push_back(ins.vibratoRate);
        Put16(b, ins.fadeout);
        for (uint32_t i = 241; i < headerSize; i++) b.push_back(0);
        for (const XmSample& s : ins.samples) {
            std::vector<uint8_t> h;
            uint32_t unit = s.sixteen ? 2 : 1;
            uint32_t length = s.lengthOverride ? s.lengthOverride : uint32_t(s.data.size());
            Put32(h, length * unit);
            Put32(h, s.loopStart * unit);
            Put32(h, s.loopLength * unit);
            h.push_back(s.volume);
            h.push_back(uint8_t(s.finetune));
            h.push_back(uint8_t(s.loopType | (s.sixteen ? 16 : 0)));
            h.push_back(s.panning);
            h.push_back(uint8_t(s.relativeNote));
            h.push_back(s.packed4.empty() ? 0 : 0xAD);
            PutText(h, "sample", 22);
            h.resize(ins.sampleHeaderSize < 40 ? ins.sampleHeaderSize : 40);
            b.insert(b.end(), h.begin(), h.end());
        }
        for (const XmSample& s : ins.samples) {
            if (!s.packed4.empty()) {
                b.insert(b.end(), s.packed4.begin(), s.packed4.end());
                continue;
            }
            int16_t previous = 0;
            for (int16_t v : s.data) {
                int16_t delta = int16_t(uint16_t(v) - uint16_t(previous));
                previous = v;
                if (s.sixteen)
                    Put16(b, uint16_t(delta));
                else
                    b.push_back(uint8_t(uint16_t(delta) >> 8));
            }
        }
    }
    return b;
}

XmPattern EmptyPattern(uint16_t rows, uint16_t channels) {
    XmPattern p;
    p.rows = rows;
    p.cells.assign(size_t(rows) * channels, XmCell{});
    return p;
}

XmCell& Cell(XmModule& m, size_t pattern, size_t row, size_t channel) {
    return m.patterns[pattern].cells[row * m.channels + channel];
}

XmInstrument SimpleInstrument(const XmSample& s) {
    XmInstrument ins;
    ins.samples.push_back(s);
    return ins;
}

XmSample Ramp(uint32_t length, int16_t step) {
    XmSample s;
    for (uint32_t i = 0; i < length; i++) s.data.push_back(int16_t(int32_t(i * step) & 0xFF00));
    return s;
}

namespace {
std::vector<uint8_t> Keep;  // the memory source must outlive the load
}

bool LoadBytes(const std::vector<uint8_t>& bytes) {
    Keep = bytes;
    SongHeapDestroy();
    SelectSource(SOURCE_MEMORY, Keep.data(), Keep.size());
    bool ok = SongHeapCreate() && LoadModule();
    ReaderClose();
    WriteBlock = 0;
    FramesPlayed = 0;
    SongEndHandler = SongHeapDestroy;
    PauseFlag.store(0);
    if (MasterGain.load() == 0) MasterGain.store(32768);
    return ok;
}

uint32_t RenderBlocks(uint32_t blocks) {
    uint32_t n = 0;
    for (; n < blocks && SongLoaded(); n++) FillBlock();
    return n;
}

uint64_t FramesPlayed = 0;

uint32_t PlayBlocks(uint32_t blocks) {
    uint32_t frames = 0;
    for (uint32_t n = 0; n < blocks && SongLoaded(); n++) {
        bool ended = false;
        frames = MixBlock(
            [](int64_t* dest, uint32_t count) {
                FramesPlayed += count;
                MixVoices(dest, count);
            },
            ended);
        if (ended) SongHeapDestroy();
    }
    return frames;
}

void UnloadSong() {
    SongHeapDestroy();
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}
