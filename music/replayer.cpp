// replayer.cpp - ProcessRow, ProcessTick and the effects.
#include "replayer.h"

#include <array>

#include "channel.h"

namespace {

constexpr uint8_t HalfSine[32] = {0,   12,  25,  37,  49,  60,  71,  81, 90, 98, 106, 112, 117, 122, 125, 126,
                                  127, 126, 125, 122, 117, 112, 106, 98, 90, 81, 71,  60,  49,  37,  25,  12};

enum Effect : uint8_t {
    ARPEGGIO = 0,
    PORTA_UP = 1,
    PORTA_DOWN = 2,
    TONE_PORTA = 3,
    VIBRATO = 4,
    TONE_PORTA_SLIDE = 5,
    VIBRATO_SLIDE = 6,
    TREMOLO = 7,
    SET_PANNING = 8,
    SAMPLE_OFFSET = 9,
    VOLUME_SLIDE = 10,
    POSITION_JUMP = 11,
    SET_VOLUME = 12,
    PATTERN_BREAK = 13,
    EXTENDED = 14,
    SPEED_TEMPO = 15,
    GLOBAL_VOLUME = 16,
    GLOBAL_SLIDE = 17,
    KEY_OFF = 20,
    ENVELOPE_POSITION = 21,
    PANNING_SLIDE = 25,
    MULTI_RETRIG = 27,
    TREMOR = 29,
    EXTRA_FINE_PORTA = 33,
};
constexpr uint32_t TEMPO_THRESHOLD = 32;  // Fxx below: speed; from here: tempo
constexpr uint32_t FRAMES_PER_BEAT_UNIT = 120000;
constexpr int32_t FADEOUT_FULL = 65536;

int32_t Sat(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return int32_t(v);
}

void Add(int32_t& v, int64_t d) {
    v = Sat(int64_t(v) + d);
}

bool VolumeEnvelopeOn(const InstrumentRecord* ins) {
    return ins->header.volumeType & ENVELOPE_ON;
}
bool PanningEnvelopeOn(const InstrumentRecord* ins) {
    return ins->header.panningType & ENVELOPE_ON;
}

void Vibrato(ChannelState& ch) {
    int32_t w = WaveformValue(ch.waveControl & 3, ch.vibratoPosition);
    ch.vibratoPosition = (ch.vibratoPosition + ch.vibratoSpeed) & 63;
    ch.periodDelta = ((w * ch.vibratoDepth) >> 5) >> 1;
    ch.updateFlags |= UPDATE_FREQUENCY;
}

void Tremolo(ChannelState& ch) {
    int32_t w = WaveformValue((ch.waveControl >> 4) & 3, ch.tremoloPosition);
    ch.tremoloPosition = (ch.tremoloPosition + ch.tremoloSpeed) & 63;
    ch.volumeDelta = (w * ch.tremoloDepth) >> 5;
    ch.updateFlags |= UPDATE_VOLUME;
}

void TonePorta(ChannelState& ch) {
    ch.updateFlags |= UPDATE_FREQUENCY;
    int64_t d = int64_t(ch.period) - ch.portaTarget;
    int64_t move = 4 * int64_t(ch.portaSpeed);
    if (d > 0) {
        int64_t p = int64_t(ch.period) - move;
        ch.period = Sat(p < ch.portaTarget ? ch.portaTarget : p);
    } else {
        int64_t p = int64_t(ch.period) + move;
        ch.period = Sat(p > ch.portaTarget ? ch.portaTarget : p);
    }
}

void VolumeSlide(ChannelState& ch) {
    uint8_t m = ch.volumeSlideMemory;
    if (m >> 4)
        Add(ch.volume, m >> 4);
    else
        Add(ch.volume, -(m & 15));
    ch.updateFlags |= UPDATE_VOLUME;
}

void Tremor(ChannelState& ch) {
    ch.updateFlags |= UPDATE_VOLUME;
    uint32_t c = ch.tremorCounter;
    if (c > ch.tremorOn) ch.volumeDelta = Sat(-int64_t(ch.volume));
    ch.tremorCounter = c > uint32_t(ch.tremorOn) + ch.tremorOff ? 0 : uint8_t(c + 1);
}

// The state an instrument number (or a delayed note) starts afresh.
void ResetEnvelopes(ChannelState& ch) {
    ch.volumeEnvelope.position = ch.volumeEnvelope.index = ch.volumeEnvelope.delta = 0;
    ch.panningEnvelope.position = ch.panningEnvelope.index = ch.panningEnvelope.delta = 0;
    ch.volumeEnvelope.stopped = ch.panningEnvelope.stopped = 0;
    ch.autoVibratoSweep = 0;
    ch.autoVibratoPosition = 0;
    ch.keyOff = 0;
    if (int8_t(ch.waveControl) < 0x4F) ch.tremoloPosition = 0;
    if (!(ch.waveControl & 0x0C)) ch.vibratoPosition = 0;
}

void VolumeColumnRow(ChannelState& ch, uint8_t v) {
    int32_t x = v & 15;
    switch (v >> 4) {
        case 1:
        case 2:
        case 3:
        case 4:
            ch.volume = v - 0x10;
            break;
        case 5:
            if (v == 0x50) ch.volume = v - 0x10;
            break;
        case 6:
        case 8:
            Add(ch.volume, -x);
            break;
        case 7:
        case 9:
            Add(ch.volume, x);
            break;
        case 0xA:
            ch.vibratoSpeed = uint8_t(x);
            break;
        case 0xB:
            ch.vibratoDepth = uint8_t(x);
            break;
        case 0xC:
            ch.panning = x * 16;
            ch.updateFlags |= UPDATE_PANNING;
            break;
        case 0xD:
            Add(ch.panning, -x);
            ch.updateFlags |= UPDATE_PANNING;
            break;
        case 0xE:
            Add(ch.panning, x);
            ch.updateFlags |= UPDATE_PANNING;
            break;
        case 0xF:
            if (x) ch.portaSpeed = uint8_t(x * 16);
            ch.updateFlags &= uint8_t(~UPDATE_TRIGGER);
            ch.portaTarget = ch.notePeriod;
            break;
        default:
            break;
    }
}

void VolumeColumnTick(ChannelState& ch, uint8_t v) {
    int32_t x = v & 15;
    switch (v >> 4) {
        case 6:
            Add(ch.volume, -x);
            ch.updateFlags |= UPDATE_VOLUME;
            break;
        case 7:
            Add(ch.volume, x);
            ch.updateFlags |= UPDATE_VOLUME;
            break;
        case 0xB:
            ch.vibratoDepth = uint8_t(x);
            Vibrato(ch);
            break;
        case 0xD:
            Add(ch.panning, -x);
            ch.updateFlags |= UPDATE_PANNING;
            break;
        case 0xE:
            Add(ch.panning, x);
            ch.updateFlags |= UPDATE_PANNING;
            break;
        case 0xF:
            TonePorta(ch);
            break;
        default:
            break;
    }
}

struct RowContext {
    int32_t savedPeriod, savedVolume, savedPanning;
    bool jumped;  // a B effect in an earlier channel of this row
};

// What an effect's row and tick work gets: the channel, the cell (its
// parameter xx split into the nibbles x and y), the channel's sample and
// instrument, and the row's shared state (null on later ticks).
struct EffectArgs {
    ChannelState& ch;
    const PatternCell& cell;
    const SampleRecord* sample;
    const InstrumentRecord* ins;
    RowContext* row;
    uint8_t xx, x, y;
};
using EffectWork = void (*)(const EffectArgs&);

// Portamento memory, tone-portamento target, vibrato.
void PortaRow(const EffectArgs& e) {
    if (e.xx) e.ch.portaMemory = e.xx;
}
void TonePortaTarget(ChannelState& ch) {
    ch.portaTarget = ch.notePeriod;
    ch.updateFlags &= uint8_t(~(UPDATE_TRIGGER | UPDATE_FREQUENCY));
}
void TonePortaRow(const EffectArgs& e) {
    if (e.xx) e.ch.portaSpeed = e.xx;
    TonePortaTarget(e.ch);
}
void VibratoRow(const EffectArgs& e) {
    if (e.x) e.ch.vibratoSpeed = e.x;
    if (e.y) e.ch.vibratoDepth = e.y;
    Vibrato(e.ch);
}
void TonePortaSlideRow(const EffectArgs& e) {
    if (e.xx) e.ch.volumeSlideMemory = e.xx;
    TonePortaTarget(e.ch);
}
void VibratoSlideRow(const EffectArgs& e) {
    if (e.xx) e.ch.volumeSlideMemory = e.xx;
    Vibrato(e.ch);
}
void ExtraFinePortaRow(const EffectArgs& e) {
    ChannelState& ch = e.ch;
    if (e.x == 1) {
        if (e.y) ch.extraFineUpMemory = e.y;
        Add(ch.period, -int32_t(ch.extraFineUpMemory));
    } else if (e.x == 2) {
        if (e.y) ch.extraFineDownMemory = e.y;
        Add(ch.period, ch.extraFineDownMemory);
    }
}

// Volume, global volume, key-off, envelope position, retrig and tremor.
void TremoloRow(const EffectArgs& e) {
    if (e.x) e.ch.tremoloSpeed = e.x;
    if (e.y) e.ch.tremoloDepth = e.y;
}
void VolumeSlideRow(const EffectArgs& e) {
    if (e.xx) e.ch.volumeSlideMemory = e.xx;
}
void MultiRetrigRow(const EffectArgs& e) {
    if (!e.xx) return;
    e.ch.retrigVolume = e.x;
    e.ch.retrigInterval = e.y;
}
void TremorRow(const EffectArgs& e) {
    if (e.xx) {
        e.ch.tremorOn = e.x;
        e.ch.tremorOff = e.y;
    }
    Tremor(e.ch);
}

void PanningSlideRow(const EffectArgs& e) {
    if (!e.xx) return;
    e.ch.panningSlideMemory = e.xx;
    e.ch.updateFlags |= UPDATE_PANNING;
}

// Position jump, pattern break and speed or tempo.
void PositionJumpRow(const EffectArgs& e) {
    Song.nextOrder = e.xx >= Song.songLength ? 0 : e.xx;
    Song.nextRow = 0;
    Song.patternLoopJump = 0;
    e.row->jumped = true;
}
void PatternBreakRow(const EffectArgs& e) {
    Song.nextRow = 10 * e.x + e.y;
    Song.patternLoopJump = 0;
    if (!e.row->jumped) Song.nextOrder = Song.order + 1 >= Song.songLength ? 0 : Song.order + 1;
}
void SpeedTempoRow(const EffectArgs& e) {
    if (e.xx < TEMPO_THRESHOLD)
        Song.speed = e.xx;
    else
        Song.framesPerTick = FRAMES_PER_BEAT_UNIT / e.xx;
}

// E6y: y = 0 marks the loop's first row; otherwise jump back to it y times.
void PatternLoopRow(ChannelState& ch, uint8_t y) {
    if (y == 0) {
        ch.loopRow = Song.row;
        return;
    }
    bool jump;
    if (ch.loopCounter == 0) {
        ch.loopCounter = y;
        jump = true;
    } else {
        ch.loopCounter--;
        jump = ch.loopCounter != 0;
    }
    if (jump) {
        Song.nextRow = ch.loopRow;
        Song.patternLoopJump = 1;
    }
}

// 9xx: the start offset of the next trigger; an offset at or beyond the loop's
// end restarts the playing voice from its beginning instead.
void SampleOffsetRow(const EffectArgs& e) {
    ChannelState& ch = e.ch;
    if (e.xx) ch.offsetMemory = uint32_t(e.xx) * 256;
    if (uint64_t(ch.offsetMemory) >= uint64_t(e.sample->loopStart) + e.sample->loopLength) {
        ch.updateFlags &= uint8_t(~UPDATE_TRIGGER);
        ch.voice->position = 0;
        ch.voice->fraction = 0;
        ch.voice->toLoopEnd = 0;
    } else {
        ch.voice->startOffset = ch.offsetMemory;
    }
}

// The extended effects E1..EE at tick 0.
void ExtendedRow(const EffectArgs& e) {
    ChannelState& ch = e.ch;
    uint8_t y = e.y;
    switch (e.x) {
        case 1:
            if (y) ch.finePortaUpMemory = y;
            Add(ch.period, -4 * int32_t(ch.finePortaUpMemory));
            break;
        case 2:
            if (y) ch.finePortaDownMemory = y;
            Add(ch.period, 4 * int32_t(ch.finePortaDownMemory));
            break;
        case 4:
            ch.waveControl = uint8_t((ch.waveControl & 0xF0) | y);
            break;
        case 5:
            // The shared empty sample is never written.
            if (e.sample != &EmptySample) const_cast<SampleRecord*>(e.sample)->finetune = int8_t(y);
            break;
        case 6:
            PatternLoopRow(ch, y);
            break;
        case 7:
            ch.waveControl = uint8_t((ch.waveControl & 0x0F) | (y << 4));
            break;
        case 8:
            ch.panning = y * 16;
            ch.updateFlags |= UPDATE_PANNING;
            break;
        case 0xA:
            if (y) ch.fineVolumeMemory = int8_t(-y);
            Add(ch.volume, -int32_t(ch.fineVolumeMemory));
            break;
        case 0xB:
            if (y) ch.fineVolumeMemory = int8_t(y);
            Add(ch.volume, -int32_t(ch.fineVolumeMemory));
            break;
        case 0xD:
            ch.period = e.row->savedPeriod;
            ch.volume = e.row->savedVolume;
            ch.panning = e.row->savedPanning;
            ch.updateFlags = 0;
            break;
        case 0xE:
            Song.patternDelay = y * Song.speed;
            break;
        default:
            break;
    }
}

// Arpeggio and the portamentos on later ticks.
void ArpeggioTick(const EffectArgs& e) {
    if (!e.xx) return;
    ChannelState& ch = e.ch;
    uint32_t tick = Song.tick;
    uint32_t semitones = tick % 3 == 0 ? 0 : tick % 3 == 1 ? e.x : e.y;
    if (Song.flags & 1)
        ch.periodDelta = 64 * int32_t(semitones);
    else
        ch.periodDelta =
            AmigaPeriod(ch.realNote + int32_t(semitones), e.sample) - AmigaPeriod(ch.realNote, e.sample);
    ch.updateFlags |= UPDATE_FREQUENCY;
}
void PortaUpTick(const EffectArgs& e) {
    ChannelState& ch = e.ch;
    int64_t p = int64_t(ch.period) - 4 * int64_t(ch.portaMemory);
    ch.period = Sat(p < 1 ? 1 : p);
    ch.periodDelta = 0;
    ch.updateFlags |= UPDATE_FREQUENCY;
}
void PortaDownTick(const EffectArgs& e) {
    ChannelState& ch = e.ch;
    Add(ch.period, 4 * int64_t(ch.portaMemory));
    ch.periodDelta = 0;
    ch.updateFlags |= UPDATE_FREQUENCY;
}

// The global slide and multi-retrig on later ticks.
void GlobalSlideTick(const EffectArgs&) {
    uint8_t m = Song.globalSlideMemory;
    if (m >> 4)
        Add(Song.globalVolume, m >> 4);
    else
        Add(Song.globalVolume, -(m & 15));
}
void MultiRetrigTick(const EffectArgs& e) {
    ChannelState& ch = e.ch;
    if (ch.retrigInterval && Song.tick % ch.retrigInterval == 0) {
        ch.updateFlags |= UPDATE_TRIGGER;
        if (ch.retrigVolume) {
            ch.updateFlags |= UPDATE_VOLUME;
            ch.volume = RetrigVolume(ch.volume, ch.retrigVolume);
        }
    }
}

// The panning slide on later ticks.
void PanningSlideTick(const EffectArgs& e) {
    ChannelState& ch = e.ch;
    uint8_t m = ch.panningSlideMemory;
    if (m >> 4) {
        int64_t p = int64_t(ch.panning) + (m >> 4);
        ch.panning = Sat(p > 255 ? 255 : p);
    } else {
        int64_t p = int64_t(ch.panning) - (m & 15);
        ch.panning = Sat(p < 0 ? 0 : p);
    }
    ch.updateFlags |= UPDATE_PANNING;
}

// E9 (retrigger), EC (note cut) and ED (note delay) on later ticks.
void ExtendedTick(const EffectArgs& e) {
    ChannelState& ch = e.ch;
    uint8_t x = e.x, y = e.y;
    uint32_t tick = Song.tick;
    if (x == 9) {
        if (y && tick % y == 0) ch.updateFlags |= UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_FREQUENCY;
    } else if (x == 0xC) {
        if (tick == y) {
            ch.volume = 0;
            ch.updateFlags |= UPDATE_VOLUME;
        }
    } else if (x == 0xD) {
        if (tick == y) {
            ch.fadeoutVolume = FADEOUT_FULL;
            ch.volume = e.sample->volume;
            ch.volumeEnvelope.output = ch.volumeEnvelope.output > 9 ? 64 : 0;
            ResetEnvelopes(ch);
            ch.period = ch.notePeriod;
            ch.updateFlags |= UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_FREQUENCY;
            VolumeColumnRow(ch, e.cell.volume);
        } else {
            ch.updateFlags = 0;
        }
    }
}

// Every effect's work at tick 0 of its row and on the row's later ticks
// (the extra ticks of a pattern delay among them); null where it has none.
struct EffectEntry {
    EffectWork row, tick;
};
constexpr uint32_t EFFECT_COUNT = EXTRA_FINE_PORTA + 1;
constexpr std::array<EffectEntry, EFFECT_COUNT> EffectTable = [] {
    std::array<EffectEntry, EFFECT_COUNT> t{};
    t[ARPEGGIO] = {nullptr, ArpeggioTick};
    t[PORTA_UP] = {PortaRow, PortaUpTick};
    t[PORTA_DOWN] = {PortaRow, PortaDownTick};
    t[TONE_PORTA] = {TonePortaRow, [](const EffectArgs& e) { TonePorta(e.ch); }};
    t[VIBRATO] = {VibratoRow, [](const EffectArgs& e) { Vibrato(e.ch); }};
    t[TONE_PORTA_SLIDE] = {TonePortaSlideRow, [](const EffectArgs& e) {
                               TonePorta(e.ch);
                               VolumeSlide(e.ch);
                           }};
    t[VIBRATO_SLIDE] = {VibratoSlideRow, [](const EffectArgs& e) {
                            Vibrato(e.ch);
                            VolumeSlide(e.ch);
                        }};
    t[TREMOLO] = {TremoloRow, [](const EffectArgs& e) { Tremolo(e.ch); }};
    t[SET_PANNING] = {[](const EffectArgs& e) {
                          e.ch.panning = e.xx;
                          e.ch.updateFlags |= UPDATE_PANNING;
                      },
                      nullptr};
    t[SAMPLE_OFFSET] = {SampleOffsetRow, nullptr};
    t[VOLUME_SLIDE] = {VolumeSlideRow, [](const EffectArgs& e) { VolumeSlide(e.ch); }};
    t[POSITION_JUMP] = {PositionJumpRow, nullptr};
    t[SET_VOLUME] = {[](const EffectArgs& e) { e.ch.volume = e.xx; }, nullptr};
    t[PATTERN_BREAK] = {PatternBreakRow, nullptr};
    t[EXTENDED] = {ExtendedRow, ExtendedTick};
    t[SPEED_TEMPO] = {SpeedTempoRow, nullptr};
    t[GLOBAL_VOLUME] = {[](const EffectArgs& e) { Song.globalVolume = e.xx; }, nullptr};
    t[GLOBAL_SLIDE] = {[](const EffectArgs& e) {
                           if (e.xx) Song.globalSlideMemory = e.xx;
                       },
                       GlobalSlideTick};
    t[KEY_OFF] = {[](const EffectArgs& e) { e.ch.keyOff = 1; }, nullptr};
    t[ENVELOPE_POSITION] = {[](const EffectArgs& e) { SetEnvelopePosition(e.ch, e.ins, e.xx); }, nullptr};
    t[PANNING_SLIDE] = {PanningSlideRow, PanningSlideTick};
    t[MULTI_RETRIG] = {MultiRetrigRow, MultiRetrigTick};
    t[TREMOR] = {TremorRow, [](const EffectArgs& e) { Tremor(e.ch); }};
    t[EXTRA_FINE_PORTA] = {ExtraFinePortaRow, nullptr};
    return t;
}();

// Runs an effect's row (tick 0) or tick work, if it has any.
void RunEffect(EffectWork EffectEntry::*work, ChannelState& ch, const PatternCell& cell,
               const SampleRecord* sample, const InstrumentRecord* ins, RowContext* row) {
    if (cell.effect >= EFFECT_COUNT) return;
    EffectWork w = EffectTable[cell.effect].*work;
    uint8_t xx = cell.parameter;
    if (w) w({ch, cell, sample, ins, row, xx, uint8_t(xx >> 4), uint8_t(xx & 15)});
}

const PatternEntry& CurrentPattern() {
    return Song.patterns[Song.orderTable[Song.order]];
}

}  // namespace

int32_t WaveformValue(uint32_t waveform, uint32_t position) {
    position &= 63;
    switch (waveform & 3) {
        case 0: {
            int32_t w = HalfSine[position & 31];
            return position >= 32 ? -w : w;
        }
        case 1:
            // A falling ramp within +-127: 0 down to -123 over the first half,
            // then 127 down to 3 over the second, 127/32 per step.
            return position < 32 ? -int32_t(position * 127 / 32) : int32_t((64 - position) * 127 / 32);
        default:
            return position < 32 ? 127 : -127;
    }
}

int32_t RetrigVolume(int32_t v, uint32_t change) {
    switch (change) {
        case 1:
            return Sat(int64_t(v) - 1);
        case 2:
            return Sat(int64_t(v) - 2);
        case 3:
            return Sat(int64_t(v) - 4);
        case 4:
            return Sat(int64_t(v) - 8);
        case 5:
            return Sat(int64_t(v) - 16);
        case 6:
            return Sat(int64_t(v) * 2 / 3);
        case 7:
            return v >> 1;
        case 9:
            return Sat(int64_t(v) + 1);
        case 10:
            return Sat(int64_t(v) + 2);
        case 11:
            return Sat(int64_t(v) + 4);
        case 12:
            return Sat(int64_t(v) + 8);
        case 13:
            return Sat(int64_t(v) + 16);
        case 14:
            return Sat((int64_t(v) * 3) >> 1);
        case 15:
            return Sat(int64_t(v) * 2);
        default:
            return v;
    }
}

const PatternEntry* ProcessRow() {
    const PatternEntry& pattern = CurrentPattern();
    if (!pattern.cells || Song.row < 0 || uint32_t(Song.row) >= pattern.rows) return &pattern;
    RowContext row{};
    const PatternCell* cells = pattern.cells + uint32_t(Song.row) * Song.channelCount;
    for (uint32_t c = 0; c < Song.channelCount; c++) {
        ChannelState& ch = Song.channels[c];
        const PatternCell& cell = cells[c];
        bool tonePorta = cell.effect == TONE_PORTA || cell.effect == TONE_PORTA_SLIDE;
        bool hasNote = cell.note >= 1 && cell.note <= NOTE_COUNT;
        if (!tonePorta) {
            if (cell.instrument) ch.instrument = uint8_t(cell.instrument - 1);
            if (hasNote) ch.note = uint8_t(cell.note - 1);
        }
        const InstrumentRecord* ins = ChannelInstrument(ch);
        const SampleRecord* sample = ChannelSample(ch);
        row.savedPeriod = ch.period;
        row.savedVolume = ch.volume;
        row.savedPanning = ch.panning;
        if (ch.previousEffect == TREMOLO && cell.effect != TREMOLO) Add(ch.volume, ch.volumeDelta);
        ch.previousEffect = cell.effect;
        ch.volumeDelta = 0;
        ch.periodDelta = 0;
        ch.updateFlags = UPDATE_FREQUENCY | UPDATE_VOLUME;
        if (hasNote) {
            ch.realNote = uint8_t(int32_t(cell.note) - 1 + sample->relativeNote);
            int32_t period = NotePeriod(ch.realNote, sample);
            ch.notePeriod = period;
            if (!tonePorta) ch.period = period;
            ch.updateFlags |= UPDATE_TRIGGER;
        }
        if (cell.instrument) {
            ch.volume = sample->volume;
            ch.panning = sample->panning;
            ch.volumeEnvelope.output = 64;
            ch.panningEnvelope.output = 32;
            ch.fadeoutVolume = FADEOUT_FULL;
            ResetEnvelopes(ch);
            ch.updateFlags |= UPDATE_VOLUME | UPDATE_PANNING;
        }
        VolumeColumnRow(ch, cell.volume);
        if (cell.note >= NOTE_KEY_OFF || cell.effect == KEY_OFF) ch.keyOff = 1;
        if (VolumeEnvelopeOn(ins))
            EnvelopeStep(ch, ins, false);
        else if (ch.keyOff)
            ch.volumeEnvelope.output = 0;
        if (PanningEnvelopeOn(ins)) EnvelopeStep(ch, ins, true);
        if (ch.keyOff) {
            ch.fadeoutVolume -= ins->header.fadeout;
            if (ch.fadeoutVolume < 0) ch.fadeoutVolume = 0;
        }
        RunEffect(&EffectEntry::row, ch, cell, sample, ins, &row);
        UpdateVoice(ch, sample, ins);
    }
    return &pattern;
}

void ProcessTick() {
    const PatternEntry& pattern = CurrentPattern();
    if (!pattern.cells || Song.row < 0 || uint32_t(Song.row) >= pattern.rows) return;
    const PatternCell* cells = pattern.cells + uint32_t(Song.row) * Song.channelCount;
    for (uint32_t c = 0; c < Song.channelCount; c++) {
        ChannelState& ch = Song.channels[c];
        const PatternCell& cell = cells[c];
        const InstrumentRecord* ins = ChannelInstrument(ch);
        const SampleRecord* sample = ChannelSample(ch);
        ch.volumeDelta = 0;
        ch.periodDelta = 0;
        ch.updateFlags = 0;
        if (VolumeEnvelopeOn(ins)) EnvelopeStep(ch, ins, false);
        if (PanningEnvelopeOn(ins)) EnvelopeStep(ch, ins, true);
        if (ch.keyOff) {
            ch.fadeoutVolume -= ins->header.fadeout;
            if (ch.fadeoutVolume < 0) ch.fadeoutVolume = 0;
            ch.updateFlags |= UPDATE_VOLUME;
        }
        VolumeColumnTick(ch, cell.volume);
        RunEffect(&EffectEntry::tick, ch, cell, sample, ins, nullptr);
        UpdateVoice(ch, sample, ins);
    }
}
