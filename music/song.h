// song.h - the in-memory song: what the loader builds from an XM module and
// what the replayer, the channel layer and the mixer work on. Everything
// here that belongs to one song lives in the song heap (source.h) and is
// freed with it; only the SongState record itself and EmptySample are
// plain globals.
#pragma once
#include <cstdint>

constexpr uint32_t MAX_CHANNELS = 64;
constexpr uint32_t ENVELOPE_POINTS = 12;
constexpr uint32_t SAMPLES_PER_INSTRUMENT = 16;
constexpr uint32_t NOTE_COUNT = 96;
constexpr uint8_t NOTE_KEY_OFF = 97;

// Update flags of a channel: what UpdateVoice recomputes at the end of a tick.
constexpr uint8_t UPDATE_FREQUENCY = 1;
constexpr uint8_t UPDATE_VOLUME = 2;
constexpr uint8_t UPDATE_PANNING = 4;
constexpr uint8_t UPDATE_TRIGGER = 8;

// Envelope type bits.
constexpr uint8_t ENVELOPE_ON = 1;
constexpr uint8_t ENVELOPE_SUSTAIN = 2;
constexpr uint8_t ENVELOPE_LOOP = 4;

// Loop types of a sample.
constexpr uint8_t LOOP_NONE = 0;
constexpr uint8_t LOOP_FORWARD = 1;
constexpr uint8_t LOOP_PINGPONG = 2;

// Sample data carries one zero value in front of data[0] and three spare
// values behind the last one (the guard sample lives there), so that the
// interpolating mixer may touch index -1 or length + 1 without leaving the
// allocation.
constexpr uint32_t SAMPLE_LEAD_VALUES = 1;
constexpr uint32_t SAMPLE_SPARE_VALUES = 3;

struct SampleRecord {
    uint32_t length;      // in samples
    uint32_t loopStart;   // in samples
    uint32_t loopLength;  // in samples
    uint8_t volume;       // 0..64
    int8_t finetune;      // E5y may overwrite it while playing
    uint8_t is16Bit;
    uint8_t panning;
    int8_t relativeNote;
    uint8_t packing;   // 0xAD: 4-bit packed data in the file
    uint8_t loopType;  // 0 none, 1 forward, 2 ping-pong, 3 plays unlooped up to its loop end
    uint8_t spare;
    int16_t* data;  // length values, then the spare room
};

struct EnvelopePoint {
    uint16_t x;  // tick
    uint16_t y;  // value, limited to 0..64 by the loader
};

// The extended instrument header, kept as read (fadeout doubled, envelopes
// with fewer than two points switched off, point counts limited to 12).
struct InstrumentHeader {
    uint8_t sampleForNote[NOTE_COUNT];
    EnvelopePoint volumePoints[ENVELOPE_POINTS];
    EnvelopePoint panningPoints[ENVELOPE_POINTS];
    uint8_t volumeCount;
    uint8_t panningCount;
    uint8_t volumeSustain, volumeLoopStart, volumeLoopEnd;
    uint8_t panningSustain, panningLoopStart, panningLoopEnd;
    uint8_t volumeType;
    uint8_t panningType;
    uint8_t vibratoType, vibratoSweep, vibratoDepth, vibratoRate;
    uint16_t fadeout;
};
static_assert(sizeof(InstrumentHeader) == 208, "the extended instrument header is read as one block");

struct InstrumentRecord {
    SampleRecord* samples[SAMPLES_PER_INSTRUMENT];  // null where the instrument has fewer
    InstrumentHeader header;
};

struct PatternCell {
    uint8_t note;        // 0 none, 1..96, 97 key-off
    uint8_t instrument;  // 0 none, else 1-based
    uint8_t volume;      // volume column byte
    uint8_t effect;
    uint8_t parameter;
};
static_assert(sizeof(PatternCell) == 5, "cells are five bytes");

struct PatternEntry {
    uint16_t rows;
    uint16_t packedSize;  // 0: the pattern has no cells
    PatternCell* cells;   // rows x channels, null for an empty pattern
};

// One of a channel's two voices: what the mixer plays. The first eleven
// fields are the ones a channel copies when it moves to its other voice.
struct Voice {
    int32_t volume;        // 0..127
    int32_t panning;       // 0..255
    uint32_t startOffset;  // pending start offset in samples (effect 9)
    int32_t rightTarget;   // 0..127
    int32_t leftTarget;    // 0..127
    uint32_t position;     // integer part, samples from the start of the data
    uint32_t stepFraction;
    uint32_t stepInteger;
    uint32_t savedTargets;  // left x 65536 + right, the targets of the current ramp
    int32_t rightIncrement;
    int32_t leftIncrement;
    const SampleRecord* sample;  // null: idle
    uint32_t fraction;
    int32_t rightVolume;  // target scale x 128
    int32_t leftVolume;
    uint16_t rampLeft;
    uint8_t direction;  // 0 forward, 1 backward
    // The last forward span was heading for the loop end (not the sample's
    // end): a position carried a hair past that loop end has reached it.
    // Cleared wherever the position is set from outside the mixer.
    uint8_t toLoopEnd;
};

struct EnvelopeState {
    int32_t position;  // ticks
    int32_t index;     // current point
    int32_t delta;     // per tick, 16.16
    int32_t value;     // 16.16
    int32_t output;    // volume 0..64, panning 0..64 with 32 the centre
    uint8_t stopped;
};

struct ChannelState {
    uint8_t note;  // 0..95
    uint8_t updateFlags;
    uint8_t instrument;  // 0-based
    Voice* voice;        // one of the channel's two voices
    int32_t period;
    int32_t volume;
    int32_t volumeDelta;
    int32_t periodDelta;
    int32_t panning;
    EnvelopeState volumeEnvelope;
    EnvelopeState panningEnvelope;
    int32_t autoVibratoSweep;
    uint8_t autoVibratoPosition;
    uint8_t keyOff;
    int32_t fadeoutVolume;  // 0..65536
    int32_t notePeriod;
    uint32_t offsetMemory;
    int32_t portaTarget;
    uint8_t loopCounter;
    int32_t loopRow;
    uint8_t realNote;  // note + the sample's relative note, as a byte (C-0 at -5 is 251)
    uint8_t previousEffect;
    uint8_t portaMemory;
    uint8_t extraFineDownMemory, extraFineUpMemory;
    uint8_t volumeSlideMemory;
    uint8_t panningSlideMemory;
    uint8_t retrigVolume, retrigInterval;
    uint8_t portaSpeed;
    uint8_t vibratoPosition, vibratoSpeed, vibratoDepth;
    uint8_t tremoloPosition, tremoloSpeed, tremoloDepth;
    uint8_t tremorCounter, tremorOn, tremorOff;
    uint8_t waveControl;  // low nibble E4, high nibble E7
    int8_t fineVolumeMemory;
    uint8_t finePortaUpMemory, finePortaDownMemory;
};

struct SongState {
    PatternEntry* patterns;
    InstrumentRecord* instruments;
    uint32_t framesLeft;  // in the current tick
    int32_t globalVolume;
    uint32_t tick;
    uint32_t speed;
    int32_t order;
    int32_t row;
    uint32_t patternDelay;
    int32_t nextOrder;  // -1: no jump pending
    int32_t nextRow;
    uint32_t channelCount;
    Voice* voices;
    ChannelState* channels;
    uint32_t framesPerTick;
    // The header fields from offset 64 on, as read.
    uint16_t songLength;
    uint16_t restartPosition;
    uint16_t channels16;
    uint16_t patternCount;  // rewritten as the number of pattern slots
    uint16_t instrumentCount16;
    uint16_t flags;
    uint16_t defaultTempo;
    uint16_t defaultBpm;
    uint8_t orderTable[256];
    uint8_t globalSlideMemory;
    uint8_t patternLoopJump;   // the pending next row comes from a pattern loop (E6)
    uint32_t instrumentCount;  // the low byte of the header's count
};

extern SongState Song;
extern const SampleRecord EmptySample;
