// loader.cpp - LoadModule: reads an XM module strictly front to back through
// the ModuleReader, unpacks the patterns into five-byte cells, converts the
// samples to 16-bit data with a guard sample behind the loop, and sets the
// song clock to its start. All memory comes zero-filled from the song heap.
#include "loader.h"

#include <cstring>

#include "source.h"

SongState Song;

namespace {

int16_t EmptySampleData[SAMPLE_LEAD_VALUES + SAMPLE_SPARE_VALUES + 1];

constexpr uint32_t HEADER_BYTES = 336;  // up to and including the order table
constexpr uint32_t HEADER_SIZE_OFFSET = 60;
constexpr uint32_t PATTERN_HEADER_BYTES = 9;
constexpr uint32_t INSTRUMENT_HEAD_BYTES = 33;
constexpr uint32_t SAMPLE_HEADER_BYTES = 40;
constexpr uint32_t MAX_PATTERN_ROWS = 256;
constexpr uint8_t PACKED_4BIT = 0xAD;
constexpr uint32_t CHUNK = 8192;  // sample data is read through a buffer this size

uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads into a buffer that is cleared first, so that bytes a short source
// does not deliver are zero rather than whatever the buffer held.
uint32_t ReadZeroed(void* dest, uint32_t count) {
    memset(dest, 0, count);
    return ReaderRead(dest, count);
}

uint8_t ReadByte() {
    uint8_t b = 0;
    ReaderRead(&b, 1);
    return b;
}

bool UnpackPattern(PatternCell* cells, uint32_t count) {
    for (uint32_t i = 0; i < count; i++) {
        // Cells the file does not hold stay zero; there is no point reading
        // a truncated module's missing bytes one by one.
        if (ReaderExhausted()) return true;
        PatternCell& c = cells[i];
        uint8_t b = ReadByte();
        if (b & 0x80) {
            if (b & 1) c.note = ReadByte();
            if (b & 2) c.instrument = ReadByte();
            if (b & 4) c.volume = ReadByte();
            if (b & 8) c.effect = ReadByte();
            if (b & 16) c.parameter = ReadByte();
        } else {
            if (b) c.note = b;
            c.instrument = ReadByte();
            c.volume = ReadByte();
            c.effect = ReadByte();
            c.parameter = ReadByte();
        }
        if (c.instrument > Song.instrumentCount) c.instrument = 0;
    }
    return true;
}

void LimitEnvelope(EnvelopePoint* points, uint8_t& count, uint8_t& type) {
    // Counts above 12 would let the envelope run past its points.
    if (count > ENVELOPE_POINTS) count = ENVELOPE_POINTS;
    if (count < 2) type = 0;
    for (uint32_t i = 0; i < ENVELOPE_POINTS; i++)
        if (points[i].y > 64) points[i].y = 64;
}

// Past the end of the source every byte reads as zero, so the rest of a
// delta-coded sample repeats: its last value (8 and 16 bits), or every 256
// values (4-bit packing, which adds its table's first delta each time). The
// values from `from` on repeat every `period`; the first period is written,
// the rest is copied, and the source is skipped as the reads would have
// moved it. A short file can declare a sample of many megabytes.
uint32_t RepeatToEnd(int16_t* d, uint32_t from, uint32_t period, uint32_t length, uint64_t unreadBytes) {
    for (uint32_t filled = period; from < length && filled < length - from; filled *= 2) {
        uint32_t n = filled < length - from - filled ? filled : length - from - filled;
        memcpy(d + from + filled, d + from, n * sizeof *d);
    }
    ReaderSkipUnread(unreadBytes);
    return length;
}

// The same for the last value of an 8- or 16-bit sample (the heap's blocks
// are zero already).
uint32_t HoldToEnd(int16_t* d, uint32_t done, uint32_t length, uint16_t value, uint64_t unreadBytes) {
    if (value == 0 || done == length) {
        ReaderSkipUnread(unreadBytes);
        return length;
    }
    d[done] = int16_t(value);
    return RepeatToEnd(d, done, 1, length, unreadBytes);
}

bool ReadSampleData(SampleRecord& s) {
    int16_t* d = s.data;
    uint8_t buffer[CHUNK];
    if (s.packing == PACKED_4BIT) {
        int8_t table[16];
        ReadZeroed(table, sizeof table);
        uint32_t bytes = (s.length + 1) / 2;
        uint8_t running = 0;
        uint32_t out = 0;
        for (uint32_t done = 0; done < bytes;) {
            uint32_t n = bytes - done < CHUNK ? bytes - done : CHUNK;
            ReadZeroed(buffer, n);
            for (uint32_t i = 0; i < n; i++) {
                running = uint8_t(running + table[buffer[i] & 15]);
                d[out++] = int16_t(uint16_t(running) << 8);
                running = uint8_t(running + table[buffer[i] >> 4]);
                d[out++] = int16_t(uint16_t(running) << 8);
            }
            done += n;
            if (ReaderExhausted()) {
                uint32_t first = out;
                for (uint32_t i = 0; i < 256 && out < 2 * bytes; i++) {
                    running = uint8_t(running + table[0]);
                    d[out++] = int16_t(uint16_t(running) << 8);
                }
                RepeatToEnd(d, first, 256, 2 * bytes, bytes - done);
                break;
            }
        }
    } else {
        uint16_t sum = 0;
        if (s.is16Bit) {
            for (uint32_t done = 0; done < s.length;) {
                uint32_t n = s.length - done < CHUNK / 2 ? s.length - done : CHUNK / 2;
                ReadZeroed(buffer, n * 2);
                for (uint32_t i = 0; i < n; i++) {
                    sum = uint16_t(sum + Le16(buffer + 2 * i));
                    d[done + i] = int16_t(sum);
                }
                done += n;
                if (ReaderExhausted())
                    done = HoldToEnd(d, done, s.length, sum, 2 * uint64_t(s.length - done));
            }
        } else {
            for (uint32_t done = 0; done < s.length;) {
                uint32_t n = s.length - done < CHUNK ? s.length - done : CHUNK;
                ReadZeroed(buffer, n);
                for (uint32_t i = 0; i < n; i++) {
                    sum = uint16_t(sum + (uint16_t(buffer[i]) << 8));
                    d[done + i] = int16_t(sum);
                }
                done += n;
                if (ReaderExhausted()) done = HoldToEnd(d, done, s.length, sum, s.length - done);
            }
        }
    }
    if (s.length != 0) {
        uint32_t end = s.loopStart + s.loopLength;
        if (s.loopType == LOOP_FORWARD) d[end] = d[s.loopStart];
        if (s.loopType == LOOP_PINGPONG) d[end] = d[end - 1];
    }
    return true;
}

// The 208 bytes of the extended instrument header, as they are in the file.
void ReadExtendedHeader(InstrumentHeader& h) {
    uint8_t ext[sizeof(InstrumentHeader)];
    ReadZeroed(ext, sizeof ext);
    memcpy(h.sampleForNote, ext, NOTE_COUNT);
    for (uint32_t i = 0; i < ENVELOPE_POINTS; i++) {
        h.volumePoints[i] = {Le16(ext + 96 + 4 * i), Le16(ext + 98 + 4 * i)};
        h.panningPoints[i] = {Le16(ext + 144 + 4 * i), Le16(ext + 146 + 4 * i)};
    }
    const uint8_t* t = ext + 192;
    h.volumeCount = t[0];
    h.panningCount = t[1];
    h.volumeSustain = t[2];
    h.volumeLoopStart = t[3];
    h.volumeLoopEnd = t[4];
    h.panningSustain = t[5];
    h.panningLoopStart = t[6];
    h.panningLoopEnd = t[7];
    h.volumeType = t[8];
    h.panningType = t[9];
    h.vibratoType = t[10];
    h.vibratoSweep = t[11];
    h.vibratoDepth = t[12];
    h.vibratoRate = t[13];
    h.fadeout = Le16(t + 14);
}

// Lengths in samples, the loop clipped to the sample, and an empty loop (or
// none) made the whole sample, unlooped.
void NormaliseLoop(uint8_t type, uint32_t& length, uint32_t& loopStart, uint32_t& loopLength,
                   uint8_t& loopType) {
    if (type & 16) {
        length /= 2;
        loopStart /= 2;
        loopLength /= 2;
    }
    if (loopStart >= length) loopStart = length;
    if (uint64_t(loopStart) + loopLength > length) loopLength = length - loopStart;
    loopType = type & 3;
    if (loopType == 0 || loopLength == 0) {
        loopStart = 0;
        loopLength = length;
        loopType = 0;
    }
}

// Reads one sample header (headerSize bytes, at most 40) and allocates its
// record with room for the data; null when the sample is too long or the
// heap is full.
SampleRecord* ReadSampleHeader(uint32_t headerSize) {
    uint8_t sh[SAMPLE_HEADER_BYTES];
    memset(sh, 0, sizeof sh);  // a shorter header leaves the rest 0
    ReaderRead(sh, headerSize);
    uint32_t length = Le32(sh), loopStart = Le32(sh + 4), loopLength = Le32(sh + 8);
    uint8_t type = sh[14], loopType;
    NormaliseLoop(type, length, loopStart, loopLength, loopType);
    // Checked here rather than when the data is read, so that a huge length
    // never reaches the allocator.
    if (length >= MAX_SAMPLE_LENGTH) return nullptr;
    size_t values = SAMPLE_LEAD_VALUES + size_t(length) + SAMPLE_SPARE_VALUES;
    auto* s = static_cast<SampleRecord*>(SongHeapAlloc(sizeof(SampleRecord) + values * sizeof(int16_t)));
    if (!s) return nullptr;
    s->length = length;
    s->loopStart = loopStart;
    s->loopLength = loopLength;
    s->volume = sh[12];
    s->finetune = int8_t(sh[13]);
    s->is16Bit = (type & 16) ? 1 : 0;
    s->panning = sh[15];
    s->relativeNote = int8_t(sh[16]);
    s->packing = sh[17];
    s->loopType = loopType;
    s->data = reinterpret_cast<int16_t*>(s + 1) + SAMPLE_LEAD_VALUES;
    return s;
}

// One instrument: its head, the extended header when it has samples (the
// rest of a longer header skipped), then all its sample headers, then the
// data of each sample.
bool LoadInstrument(InstrumentRecord& ins) {
    uint8_t head[INSTRUMENT_HEAD_BYTES];
    ReadZeroed(head, sizeof head);
    uint32_t headerSize = Le32(head);
    uint32_t sampleCount = head[27];
    uint32_t sampleHeaderSize = Le32(head + 29);
    InstrumentHeader& h = ins.header;
    if (sampleCount) {
        if (sampleHeaderSize > SAMPLE_HEADER_BYTES || sampleCount > SAMPLES_PER_INSTRUMENT) return false;
        ReadExtendedHeader(h);
        ReaderSeek(int64_t(headerSize) - INSTRUMENT_HEAD_BYTES - int64_t(sizeof(InstrumentHeader)), true);
    } else {
        ReaderSeek(int64_t(headerSize) - INSTRUMENT_HEAD_BYTES, true);
    }
    h.fadeout = uint16_t(h.fadeout * 2);
    LimitEnvelope(h.volumePoints, h.volumeCount, h.volumeType);
    LimitEnvelope(h.panningPoints, h.panningCount, h.panningType);
    for (uint32_t i = 0; i < sampleCount; i++)
        if (!(ins.samples[i] = ReadSampleHeader(sampleHeaderSize))) return false;
    for (uint32_t i = 0; i < sampleCount; i++)
        if (!ReadSampleData(*ins.samples[i])) return false;
    return true;
}

}  // namespace

const SampleRecord EmptySample = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, EmptySampleData + SAMPLE_LEAD_VALUES};

bool LoadModule() {
    ReaderOpen();
    Song = SongState{};
    uint8_t header[HEADER_BYTES];
    // A source shorter than the header would leave stale values behind.
    if (ReadZeroed(header, HEADER_BYTES) < HEADER_BYTES) return false;
    uint32_t headerSize = Le32(header + HEADER_SIZE_OFFSET);
    Song.songLength = Le16(header + 64);
    Song.restartPosition = Le16(header + 66);
    Song.channels16 = Le16(header + 68);
    Song.patternCount = Le16(header + 70);
    Song.instrumentCount16 = Le16(header + 72);
    Song.flags = Le16(header + 74);
    Song.defaultTempo = Le16(header + 76);
    Song.defaultBpm = Le16(header + 78);
    memcpy(Song.orderTable, header + 80, 256);
    ReaderSeek(int64_t(HEADER_SIZE_OFFSET) + headerSize, false);

    if (Song.patternCount == 0 || Song.songLength == 0 || Song.songLength > 256) return false;
    uint32_t highest = 0;
    for (uint32_t i = 0; i < Song.songLength; i++)
        if (Song.orderTable[i] > highest) highest = Song.orderTable[i];
    uint32_t filePatterns = Song.patternCount;
    uint32_t slots = filePatterns > highest + 1 ? filePatterns : highest + 1;
    Song.patternCount = uint16_t(slots);  // at most 65,535: highest is below 256
    uint32_t channels = Song.channels16 & 0xFF;
    if (channels == 0 || channels > MAX_CHANNELS) return false;
    Song.channelCount = channels;
    Song.instrumentCount = Song.instrumentCount16 & 0xFF;

    size_t bytes = sizeof(Voice) * 2 * channels + sizeof(ChannelState) * channels +
                   sizeof(PatternEntry) * slots + sizeof(InstrumentRecord) * Song.instrumentCount;
    auto* block = static_cast<uint8_t*>(SongHeapAlloc(bytes));
    if (!block) return false;
    Song.voices = reinterpret_cast<Voice*>(block);
    Song.channels = reinterpret_cast<ChannelState*>(Song.voices + 2 * channels);
    Song.patterns = reinterpret_cast<PatternEntry*>(Song.channels + channels);
    Song.instruments = reinterpret_cast<InstrumentRecord*>(Song.patterns + slots);
    for (uint32_t c = 0; c < channels; c++) {
        Song.channels[c].voice = &Song.voices[2 * c];
        Song.voices[2 * c].stepInteger = 1;
    }

    Song.framesPerTick = Song.defaultBpm ? 120000u / Song.defaultBpm : 120000u;
    Song.globalVolume = 64;
    Song.speed = Song.defaultTempo;

    for (uint32_t p = 0; p < filePatterns; p++) {
        uint8_t ph[PATTERN_HEADER_BYTES];
        ReadZeroed(ph, sizeof ph);
        PatternEntry& e = Song.patterns[p];
        e.rows = Le16(ph + 5);
        e.packedSize = Le16(ph + 7);
        if (e.packedSize == 0) continue;
        if (e.rows == 0 || e.rows > MAX_PATTERN_ROWS) return false;
        uint32_t count = uint32_t(e.rows) * channels;
        e.cells = static_cast<PatternCell*>(SongHeapAlloc(sizeof(PatternCell) * count));
        if (!e.cells) return false;
        UnpackPattern(e.cells, count);
    }
    // Patterns the order table names but the file does not hold: 64 empty rows.
    for (uint32_t p = filePatterns; p <= highest; p++) Song.patterns[p].rows = 64;

    Song.framesLeft = 0;
    Song.tick = 0;
    Song.patternDelay = 0;
    Song.nextOrder = 0;
    Song.nextRow = 0;

    for (uint32_t i = 0; i < Song.instrumentCount; i++)
        if (!LoadInstrument(Song.instruments[i])) return false;
    return true;
}
