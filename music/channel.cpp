// channel.cpp - periods, envelopes, auto-vibrato and UpdateVoice.
#include "channel.h"

#include <cmath>

namespace {

const InstrumentRecord EmptyInstrument{};

constexpr uint8_t AutoVibratoSine[65] = {0,  2,  3,  5,  6,  8,  9,  11, 12, 14, 16, 17, 19, 20, 22, 23, 24,
                                         26, 27, 29, 30, 32, 33, 34, 36, 37, 38, 39, 41, 42, 43, 44, 45, 46,
                                         47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 56, 57, 58, 59, 59, 60, 60,
                                         61, 61, 62, 62, 62, 63, 63, 63, 64, 64, 64, 64, 64, 64};

constexpr uint32_t AMIGA_CLOCK = 14317456;
constexpr uint32_t LOW_FREQUENCY = 40;  // what periods of 0 or less sound at
constexpr int32_t LINEAR_BASE = 7680;
constexpr int32_t LINEAR_MIDDLE = 4608;  // the period of C-4 at 8,363 Hz
constexpr int32_t MIDDLE_FREQUENCY = 8363;
constexpr int32_t OCTAVE_UNITS = 768;
constexpr int32_t VOLUME_LIMIT = 255 * 64 * 64;

// Amiga periods P(k) = round(13.375 x 2^(k/12)), for k from AMIGA_LOW up.
constexpr int32_t AMIGA_LOW = -160;
constexpr int32_t AMIGA_HIGH = 300;
struct Tables {
    int32_t amiga[AMIGA_HIGH - AMIGA_LOW + 1];
    uint64_t linear[OCTAVE_UNITS];  // 8,363 x 2^(i/768) in 32.32
    Tables() {
        for (int32_t k = AMIGA_LOW; k <= AMIGA_HIGH; k++)
            amiga[k - AMIGA_LOW] = int32_t(std::llround(13.375L * std::exp2l((long double)k / 12)));
        for (int32_t i = 0; i < OCTAVE_UNITS; i++)
            linear[i] = uint64_t(
                std::llround(MIDDLE_FREQUENCY * std::exp2l((long double)i / OCTAVE_UNITS) * 4294967296.0L));
    }
};
const Tables& GetTables() {
    static const Tables tables;
    return tables;
}

int32_t AmigaTable(int32_t k) {
    if (k < AMIGA_LOW) k = AMIGA_LOW;
    if (k > AMIGA_HIGH) k = AMIGA_HIGH;
    return GetTables().amiga[k - AMIGA_LOW];
}

int32_t Clamp32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return int32_t(v);
}

int32_t Limit(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : v > hi ? hi : v;
}

struct EnvelopeView {
    const EnvelopePoint* points;
    uint8_t count, sustain, loopStart, loopEnd, type;
};

EnvelopeView View(const InstrumentRecord* ins, bool panning) {
    const InstrumentHeader& h = ins->header;
    if (panning)
        return {h.panningPoints,    h.panningCount,   h.panningSustain,
                h.panningLoopStart, h.panningLoopEnd, h.panningType};
    return {h.volumePoints, h.volumeCount, h.volumeSustain, h.volumeLoopStart, h.volumeLoopEnd, h.volumeType};
}

int32_t Slope(const EnvelopePoint& a, const EnvelopePoint& b) {
    int32_t dx = int32_t(b.x) - int32_t(a.x);
    if (dx == 0) return 0;
    return (int32_t(b.y) - int32_t(a.y)) * 65536 / dx;
}

// Envelope values stay within 0..64 in 16.16 (points are limited to 64 at
// load), so a broken envelope cannot run the value out of 32 bits.
int32_t LimitValue(int64_t v) {
    if (v < 0) return 0;
    if (v > (int64_t(64) << 16)) return 64 << 16;
    return int32_t(v);
}

}  // namespace

int32_t AmigaPeriod(int32_t realNote, const SampleRecord* sample) {
    int32_t k = 132 - realNote;
    int32_t a = AmigaTable(k);
    int32_t finetune = sample->finetune;
    int32_t d = finetune >= 0 ? 1 : -1;
    int32_t b = AmigaTable(k - d);
    return int32_t(a + int64_t(finetune) * (b - a) * d / 128);
}

int32_t LinearPeriod(int32_t realNote, const SampleRecord* sample) {
    return LINEAR_BASE - 64 * realNote - sample->finetune / 2;
}

int32_t NotePeriod(int32_t realNote, const SampleRecord* sample) {
    return (Song.flags & 1) ? LinearPeriod(realNote, sample) : AmigaPeriod(realNote, sample);
}

uint32_t PeriodToFrequency(int32_t period, int32_t periodDelta, bool linear) {
    int64_t p = int64_t(period) + periodDelta;
    if (p <= 0) return LOW_FREQUENCY;
    if (!linear) return AMIGA_CLOCK / uint32_t(p > UINT32_MAX ? UINT32_MAX : p);
    // round(8,363 x 2^(n / 768)) with n split into whole octaves and a rest.
    int64_t n = int64_t(LINEAR_MIDDLE) - period + periodDelta;
    int64_t octave = n >= 0 ? n / OCTAVE_UNITS : -((-n + OCTAVE_UNITS - 1) / OCTAVE_UNITS);
    int64_t rest = n - octave * OCTAVE_UNITS;
    uint64_t base = GetTables().linear[rest];  // 8,363..16,726 in 32.32: below 2^47
    int64_t shift = 32 - octave;
    if (shift <= 0) return MAX_FREQUENCY + 1;
    if (shift >= 63) return 0;
    uint64_t f = (base + (uint64_t(1) << (shift - 1))) >> shift;
    return f > UINT32_MAX ? UINT32_MAX : uint32_t(f);
}

void FrequencyToStep(uint32_t frequency, uint32_t& stepInteger, uint32_t& stepFraction) {
    if (frequency > MAX_FREQUENCY) frequency = MAX_FREQUENCY;
    stepInteger = frequency / OUTPUT_RATE;
    stepFraction = uint32_t((uint64_t(frequency % OUTPUT_RATE) << 32) / OUTPUT_RATE);
}

const InstrumentRecord* ChannelInstrument(const ChannelState& ch) {
    if (ch.instrument >= Song.instrumentCount) return &EmptyInstrument;
    return &Song.instruments[ch.instrument];
}

const SampleRecord* ChannelSample(const ChannelState& ch) {
    const InstrumentRecord* ins = ChannelInstrument(ch);
    if (ch.note >= NOTE_COUNT) return &EmptySample;
    uint8_t n = ins->header.sampleForNote[ch.note];
    if (n >= SAMPLES_PER_INSTRUMENT || !ins->samples[n]) return &EmptySample;
    return ins->samples[n];
}

void EnvelopeStep(ChannelState& ch, const InstrumentRecord* ins, bool panning) {
    EnvelopeState& e = panning ? ch.panningEnvelope : ch.volumeEnvelope;
    EnvelopeView v = View(ins, panning);
    ch.updateFlags |= panning ? UPDATE_PANNING : UPDATE_VOLUME;
    if (e.stopped) return;
    if (e.index >= v.count || e.index < 0) {
        e.output = e.value >> 16;
        e.position++;
        return;
    }
    if (e.position != v.points[e.index].x) {
        e.value = LimitValue(int64_t(e.value) + e.delta);
        e.output = e.value >> 16;
        e.position++;
        return;
    }
    // A loop whose points lie beyond the point count is ignored.
    if ((v.type & ENVELOPE_LOOP) && e.index == v.loopEnd && v.loopStart < v.count && v.loopEnd < v.count) {
        e.index = v.loopStart;
        e.position = v.points[e.index].x;
    }
    const EnvelopePoint& p = v.points[e.index];
    e.output = p.y;
    if (e.index >= v.count - 1) {
        e.stopped = 1;
        return;
    }
    if ((v.type & ENVELOPE_SUSTAIN) && e.index == v.sustain && !ch.keyOff) return;
    const EnvelopePoint& next = v.points[e.index + 1];
    e.index++;
    e.value = int32_t(p.y) << 16;
    e.delta = Slope(p, next);
    e.output = p.y;
    e.position++;
}

void SetEnvelopePosition(ChannelState& ch, const InstrumentRecord* ins, uint32_t position) {
    EnvelopeView v = View(ins, false);
    if (!(v.type & ENVELOPE_ON)) return;
    EnvelopeState& e = ch.volumeEnvelope;
    int32_t i = 0;
    while (i + 1 < v.count && position > v.points[i + 1].x) i++;
    if (i + 1 >= v.count) i = v.count;
    if (i >= v.count - 1) {
        e.index = i;
        e.stopped = 1;
        e.output = v.count ? v.points[v.count - 1].y : 0;
        return;
    }
    e.stopped = 0;
    e.position = int32_t(position);
    e.delta = Slope(v.points[i], v.points[i + 1]);
    e.value = LimitValue((int64_t(position) - v.points[i].x) * e.delta + (int64_t(v.points[i].y) << 16));
    e.output = e.value >> 16;
    e.index = i + 1;
}

namespace {

// The auto-vibrato waveform at position p (0..255), -64..64.
int32_t AutoVibratoWave(uint8_t type, uint32_t p) {
    switch (type) {
        case 0: {
            uint32_t i = p & 127;
            int32_t w = i <= 64 ? AutoVibratoSine[i] : AutoVibratoSine[128 - i];
            return p >= 128 ? -w : w;
        }
        case 1:
            return p < 128 ? 64 : -64;
        case 2:
            return (128 - int32_t((p - 128) & 255)) >> 1;
        default:
            return (128 - int32_t((128 - p) & 255)) >> 1;
    }
}

// Step 1: the instrument's auto-vibrato adds to the period delta, its depth
// growing over the sweep; the frequency is always recomputed.
void ApplyAutoVibrato(ChannelState& ch, const InstrumentHeader& h) {
    uint32_t p = ch.autoVibratoPosition;
    int32_t v = int32_t(h.vibratoDepth) * AutoVibratoWave(h.vibratoType, p);
    if (h.vibratoSweep) v = v * ch.autoVibratoSweep / h.vibratoSweep;
    ch.periodDelta = Clamp32(int64_t(ch.periodDelta) + (v >> 6));
    ch.autoVibratoSweep = ch.autoVibratoSweep + 1 < h.vibratoSweep ? ch.autoVibratoSweep + 1 : h.vibratoSweep;
    ch.autoVibratoPosition = uint8_t(p + h.vibratoRate);
    ch.updateFlags |= UPDATE_FREQUENCY;
}

// Step 2: a sounding note moves to the channel's other voice, taking its
// settings along, and fades out there; the new note starts from silence on
// the channel's voice at the pending start offset.
void TriggerVoice(ChannelState& ch, const SampleRecord* sample) {
    Voice* voice = ch.voice;
    if (voice->sample) {
        Voice* other = &Song.voices[(voice - Song.voices) ^ 1];
        other->volume = voice->volume;
        other->panning = voice->panning;
        other->startOffset = voice->startOffset;
        other->rightTarget = voice->rightTarget;
        other->leftTarget = voice->leftTarget;
        other->position = voice->position;
        other->stepFraction = voice->stepFraction;
        other->stepInteger = voice->stepInteger;
        other->savedTargets = voice->savedTargets;
        other->rightIncrement = voice->rightIncrement;
        other->leftIncrement = voice->leftIncrement;
        voice->volume = 0;
        voice->rightTarget = 0;
        voice->leftTarget = 0;
        voice = other;
        ch.voice = voice;
    }
    voice->sample = sample;
    voice->fraction = 0;
    voice->rightVolume = 0;
    voice->leftVolume = 0;
    voice->rampLeft = 0;
    voice->direction = 0;
    voice->toLoopEnd = 0;
    voice->position = voice->startOffset;
    voice->startOffset = 0;
}

// Step 3: the voice's volume from the channel's volume, the global volume,
// the envelope and the fade-out, split by the voice's panning. Envelope
// outputs are limited to 0..64 so the product stays within 0..127.
void SetVoiceVolume(const ChannelState& ch, Voice* voice) {
    int64_t vol = int64_t(ch.volume) + ch.volumeDelta;
    int64_t gv = Song.globalVolume;
    constexpr int64_t FACTOR_LIMIT = int64_t(1) << 24;
    vol = vol < -FACTOR_LIMIT ? -FACTOR_LIMIT : vol > FACTOR_LIMIT ? FACTOR_LIMIT : vol;
    gv = gv < -FACTOR_LIMIT ? -FACTOR_LIMIT : gv > FACTOR_LIMIT ? FACTOR_LIMIT : gv;
    int64_t t = vol * 255 * gv;
    if (t < 0) t = 0;
    if (t > VOLUME_LIMIT) t = VOLUME_LIMIT;
    int64_t envelope = Limit(ch.volumeEnvelope.output, 0, 64);
    int64_t fade = Limit(ch.fadeoutVolume, 0, 65536);
    voice->volume = int32_t((t * envelope * fade) >> 35);
    voice->rightTarget = voice->volume * voice->panning / 255;
    voice->leftTarget = voice->volume * (255 - voice->panning) / 255;
}

// Step 4: the voice's panning from the channel's and the panning envelope,
// which swings less the nearer the panning is to either side.
void SetVoicePanning(const ChannelState& ch, Voice* voice) {
    int64_t pan = ch.panning;
    int64_t distance = pan - 128 < 0 ? 128 - pan : pan - 128;
    int64_t room = (128 - distance) >> 5;
    int64_t q = pan + (int64_t(Limit(ch.panningEnvelope.output, 0, 64)) - 32) * room;
    q = q < 0 ? 0 : q > 255 ? 255 : q;
    voice->panning = int32_t(q);
    voice->rightTarget = voice->volume * int32_t(q) / 255;
    voice->leftTarget = voice->volume * (255 - int32_t(q)) / 255;
}

}  // namespace

void UpdateVoice(ChannelState& ch, const SampleRecord* sample, const InstrumentRecord* ins) {
    ApplyAutoVibrato(ch, ins->header);
    if (ch.updateFlags & UPDATE_TRIGGER) TriggerVoice(ch, sample);
    if (ch.updateFlags & UPDATE_VOLUME) SetVoiceVolume(ch, ch.voice);
    if (ch.updateFlags & UPDATE_PANNING) SetVoicePanning(ch, ch.voice);
    // Step 5: the step from the period.
    if (ch.updateFlags & UPDATE_FREQUENCY) {
        uint32_t f = PeriodToFrequency(ch.period, ch.periodDelta, Song.flags & 1);
        FrequencyToStep(f, ch.voice->stepInteger, ch.voice->stepFraction);
    }
}
