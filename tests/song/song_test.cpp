// Tests of data/sound.pak: the generated module is read back with the tests'
// own XM parser (xm_read) and checked field by field against the XM layout,
// for the musical features the game's player is meant to be exercised with,
// for its length and loop, and for determinism of the generator.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "score.h"
#include "xm_read.h"
#include "xm_writer.h"

namespace {

namespace fs = std::filesystem;

const xmread::Module& Song() {
    static const xmread::Module m = xmread::Parse(xmread::ReadFile(SOUND_PAK), SOUND_PAK);
    return m;
}

std::vector<uint8_t> Raw() {
    return xmread::ReadFile(SOUND_PAK);
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
}

// Every cell of every pattern the order table plays, with its channel.
template <typename F>
void ForEachPlayedCell(F f) {
    const auto& m = Song();
    std::set<int> seen;
    for (int o = 0; o < m.songLength; ++o) {
        if (!seen.insert(m.orders[o]).second) continue;
        const auto& p = m.patterns[m.orders[o]];
        for (int r = 0; r < p.rows; ++r)
            for (int c = 0; c < m.channels; ++c) f(p.at(r, c, m.channels), c);
    }
}

bool HasEffect(int type, int param = -1) {
    bool found = false;
    ForEachPlayedCell([&](const xmread::Cell& c, int) {
        if (c.effect == type && (param < 0 || c.param == param)) found = true;
    });
    return found;
}

bool HasExtended(int sub) {
    bool found = false;
    ForEachPlayedCell([&](const xmread::Cell& c, int) {
        if (c.effect == 0xE && (c.param >> 4) == sub && (c.param & 15)) found = true;
    });
    return found;
}

// ---------------------------------------------------------------- the file's layout

TEST(SongHeader, FieldsFollowTheXmLayout) {
    const auto raw = Raw();
    ASSERT_GE(raw.size(), 336u);
    EXPECT_EQ(std::string(raw.begin(), raw.begin() + 17), "Extended Module: ");
    EXPECT_EQ(raw[37], 0x1A);
    EXPECT_EQ(Le16(raw, 58), 0x0104);
    EXPECT_EQ(Le32(raw, 60), 276u);

    const auto& m = Song();
    EXPECT_FALSE(m.name.empty());
    EXPECT_FALSE(m.tracker.empty());
    EXPECT_GE(m.songLength, 8);
    EXPECT_LT(m.restart, m.songLength);
    EXPECT_GE(m.channels, 8);
    EXPECT_EQ(m.flags & 1, 1) << "linear frequency table";
    EXPECT_GE(m.defaultSpeed, 1);
    EXPECT_LT(m.defaultSpeed, 32);
    EXPECT_GE(m.defaultBpm, 32);
    EXPECT_EQ(m.instrumentCount, int(m.instruments.size()));
    EXPECT_EQ(m.bytesRead, m.fileSize) << "no bytes after the last sample";
}

TEST(SongHeader, OrderTableNamesExistingPatternsAndIsZeroBeyondTheSong) {
    const auto& m = Song();
    std::set<int> distinct;
    for (int o = 0; o < 256; ++o) {
        if (o < m.songLength) {
            EXPECT_LT(m.orders[o], m.patternCount) << "order " << o;
            distinct.insert(m.orders[o]);
        } else {
            EXPECT_EQ(m.orders[o], 0) << "order " << o;
        }
    }
    EXPECT_GE(distinct.size(), 6u) << "several patterns";
    EXPECT_EQ(int(distinct.size()), m.patternCount) << "every stored pattern is played";
}

TEST(SongPatterns, EveryPatternUnpacksToExactlyItsPackedSize) {
    const auto& m = Song();
    int raw = 0, masked = 0;
    for (size_t p = 0; p < m.patterns.size(); ++p) {
        const auto& pat = m.patterns[p];
        EXPECT_EQ(pat.headerLength, 9u) << "pattern " << p;
        EXPECT_EQ(pat.packingType, 0) << "pattern " << p;
        EXPECT_GT(pat.packedSize, 0) << "pattern " << p;
        EXPECT_EQ(pat.packedBytesUsed, pat.packedSize) << "pattern " << p;
        EXPECT_EQ(pat.rows, 64) << "pattern " << p;
        raw += pat.rawCells;
        masked += pat.maskedCells;
    }
    EXPECT_GT(masked, 0);
    EXPECT_GT(raw, 0) << "complete cells are stored unmasked";
}

TEST(SongPatterns, CellsHoldValidNotesInstrumentsAndEffects) {
    const auto& m = Song();
    for (const auto& pat : m.patterns) {
        for (const auto& c : pat.cells) {
            EXPECT_LE(c.note, 97);
            EXPECT_LE(c.instrument, m.instrumentCount);
            if (c.note >= 1 && c.note <= 96) {
                EXPECT_FALSE(c.instrument == 0 && c.effect != 3) << "a struck note names its instrument";
            }
            EXPECT_TRUE(c.volume == 0 || (c.volume >= 0x10 && c.volume <= 0x50) || c.volume >= 0x60)
                << int(c.volume);
            EXPECT_LE(c.effect, 0x21);
            if (c.effect == 0xF) {
                EXPECT_NE(c.param, 0) << "F00 would stop the song";
            }
            EXPECT_NE(c.effect, 0xB) << "the song flows order by order";
            EXPECT_NE(c.effect, 0xD);
        }
    }
}

// ---------------------------------------------------------------- instruments and samples

TEST(SongInstruments, HeadersAndEnvelopesAreWellFormed) {
    const auto& m = Song();
    ASSERT_GE(m.instruments.size(), 8u);
    for (const auto& ins : m.instruments) {
        SCOPED_TRACE(ins.name);
        EXPECT_GE(ins.headerSize, 33u + 208u);
        EXPECT_EQ(ins.sampleHeaderSize, 40u);
        ASSERT_EQ(ins.samples.size(), 1u);
        for (uint8_t s : ins.sampleForNote) EXPECT_EQ(s, 0);
        for (const auto* env : {&ins.volume, &ins.panning}) {
            if (!(env->type & 1)) continue;
            EXPECT_GE(env->count, 2);
            EXPECT_LE(env->count, 12);
            for (int i = 0; i < env->count; ++i) {
                EXPECT_LE(env->points[i].value, 64);
                if (i) {
                    EXPECT_GT(env->points[i].tick, env->points[i - 1].tick);
                }
            }
            if (env->type & 2) {
                EXPECT_LT(env->sustain, env->count);
            }
            if (env->type & 4) {
                EXPECT_LE(env->loopStart, env->loopEnd);
                EXPECT_LT(env->loopEnd, env->count);
            }
        }
    }
}

TEST(SongInstruments, EnvelopeFadeoutAndVibratoFeaturesArePresent) {
    const auto& m = Song();
    bool sustain = false, loop = false, panning = false, fadeout = false, vibrato = false;
    for (const auto& ins : m.instruments) {
        sustain |= ins.volume.hasSustain();
        loop |= ins.volume.hasLoop();
        panning |= ins.panning.on();
        fadeout |= ins.fadeout > 0 && ins.volume.on();
        vibrato |= ins.vibratoDepth > 0 && ins.vibratoRate > 0;
    }
    EXPECT_TRUE(sustain) << "a volume envelope with a sustain point";
    EXPECT_TRUE(loop) << "a volume envelope with a loop";
    EXPECT_TRUE(panning) << "a panning envelope";
    EXPECT_TRUE(fadeout) << "a fade-out";
    EXPECT_TRUE(vibrato) << "auto-vibrato";
}

TEST(SongSamples, BothWidthsAndBothLoopKindsAreStoredSoundly) {
    const auto& m = Song();
    bool eight = false, sixteen = false, forward = false, pingPong = false;
    for (const auto& ins : m.instruments) {
        const auto& s = ins.samples[0];
        SCOPED_TRACE(ins.name);
        eight |= !s.sixteenBit();
        sixteen |= s.sixteenBit();
        forward |= s.loopType() == 1;
        pingPong |= s.loopType() == 2;
        EXPECT_EQ(s.packing, 0);
        EXPECT_LE(s.volume, 64);
        EXPECT_GT(s.length(), 64u);
        EXPECT_NE(s.loopType(), 3);
        if (s.loopType()) {
            EXPECT_GT(s.loopLength(), 0u);
            EXPECT_LE(s.loopStart() + s.loopLength(), s.length());
        } else {
            EXPECT_EQ(s.loopStartBytes, 0u);
            EXPECT_EQ(s.loopLengthBytes, 0u);
        }
        int peak = 0;
        double sum = 0;
        for (int16_t v : s.data) peak = std::max(peak, std::abs(int(v))), sum += v;
        EXPECT_GT(peak, 16000) << "a sample that uses its range";
        EXPECT_LT(peak, 32768);
        // A wave centred on zero: no sample adds a DC offset to the mix.
        EXPECT_LT(std::fabs(sum / double(s.data.size())), 0.005 * 32768) << "mean of the sample";
    }
    EXPECT_TRUE(eight);
    EXPECT_TRUE(sixteen);
    EXPECT_TRUE(forward);
    EXPECT_TRUE(pingPong);
}

// The delta-decoded data equals what the generator drew.
TEST(SongSamples, DeltaCodedDataDecodesToTheDrawnWaves) {
    const song::Module composed = song::ComposeSong();
    const auto& m = Song();
    ASSERT_EQ(composed.instruments.size(), m.instruments.size());
    for (size_t i = 0; i < m.instruments.size(); ++i) {
        const auto& drawn = composed.instruments[i].sample;
        const auto& read = m.instruments[i].samples[0];
        SCOPED_TRACE(drawn.name);
        ASSERT_EQ(read.data.size(), drawn.data.size());
        size_t differ = 0;
        for (size_t k = 0; k < drawn.data.size(); ++k) {
            const int expect = drawn.sixteenBit ? drawn.data[k] : (drawn.data[k] >> 8) * 256;
            differ += read.data[k] != expect;
        }
        EXPECT_EQ(differ, 0u);
    }
}

// A forward loop must join without a jump: the step from the loop's last
// value back to its first is no bigger than the steepest step in the loop.
TEST(SongSamples, ForwardLoopsJoinWithoutAClick) {
    for (const auto& ins : Song().instruments) {
        const auto& s = ins.samples[0];
        if (s.loopType() != 1) continue;
        SCOPED_TRACE(ins.name);
        const uint32_t start = s.loopStart(), end = start + s.loopLength();
        int steepest = 0;
        for (uint32_t k = start + 1; k < end; ++k)
            steepest = std::max(steepest, std::abs(s.data[k] - s.data[k - 1]));
        EXPECT_LE(std::abs(s.data[start] - s.data[end - 1]), steepest);
    }
}

// ---------------------------------------------------------------- the music

TEST(SongEffects, EveryEffectThePlayerShouldHearIsUsed) {
    EXPECT_TRUE(HasEffect(0x0) && [] {
        bool arp = false;
        ForEachPlayedCell([&](const xmread::Cell& c, int) { arp |= c.effect == 0 && c.param != 0; });
        return arp;
    }()) << "arpeggio";
    EXPECT_TRUE(HasEffect(0x1)) << "portamento up";
    EXPECT_TRUE(HasEffect(0x2)) << "portamento down";
    EXPECT_TRUE(HasEffect(0x3)) << "tone portamento";
    EXPECT_TRUE(HasEffect(0x4)) << "vibrato";
    EXPECT_TRUE(HasEffect(0x7)) << "tremolo";
    EXPECT_TRUE(HasEffect(0xA)) << "volume slide";
    EXPECT_TRUE(HasExtended(0xC)) << "note cut";
    EXPECT_TRUE(HasExtended(0xD)) << "note delay";
    bool speed = false, tempo = false;
    ForEachPlayedCell([&](const xmread::Cell& c, int) {
        if (c.effect == 0xF) (c.param < 32 ? speed : tempo) = true;
    });
    EXPECT_TRUE(speed) << "set speed";
    EXPECT_TRUE(tempo) << "set tempo";
    bool volumes = false, slides = false;
    ForEachPlayedCell([&](const xmread::Cell& c, int) {
        volumes |= c.volume >= 0x10 && c.volume <= 0x50;
        slides |= c.volume >= 0x60 && c.volume <= 0x9F;
    });
    EXPECT_TRUE(volumes) << "volume-column volumes";
    EXPECT_TRUE(slides) << "volume-column slides";
}

// Tonal channels stay in D minor (with the C# of its dominant chord), every
// channel plays, and the lead is a tune rather than a drone.
TEST(SongMusic, InKeyAndEveryChannelPlays) {
    const auto& m = Song();
    const std::set<int> dMinor = {2, 4, 5, 7, 9, 10, 0, 1};  // D E F G A Bb C C#
    std::map<int, int> notesPerChannel;
    int tonal = 0, inKey = 0;
    std::set<int> leadPitches;
    ForEachPlayedCell([&](const xmread::Cell& c, int ch) {
        if (c.note < 1 || c.note > 96) return;
        ++notesPerChannel[ch];
        // Drums are the one-shots without a volume envelope; a glide (no
        // instrument in the cell) keeps the channel's tonal instrument.
        if (c.instrument && !m.instruments[c.instrument - 1].volume.on()) return;
        ++tonal;
        inKey += dMinor.count((c.note - 1) % 12);
        if (ch == 0) leadPitches.insert(c.note);
    });
    for (int ch = 0; ch < m.channels; ++ch) EXPECT_GT(notesPerChannel[ch], 0) << "channel " << ch;
    ASSERT_GT(tonal, 200);
    EXPECT_EQ(inKey, tonal);
    EXPECT_GE(leadPitches.size(), 8u);
}

TEST(SongLength, APassLastsBetweenOneAndThreeMinutes) {
    const xmread::Timing first = xmread::TimePass(Song());
    EXPECT_GE(first.seconds, 60.0);
    EXPECT_LE(first.seconds, 180.0);
    // The part that repeats for ever is itself long enough not to nag.
    EXPECT_GE(first.loopSeconds, 60.0);
    EXPECT_LE(first.loopSeconds, 180.0);
}

// After the last order the song goes back to the restart position; the
// repeat must sound like the first time through: same speed and tempo there.
TEST(SongLength, RestartReturnsWithTheSameSpeedAndTempo) {
    const auto& m = Song();
    ASSERT_GE(m.restart, 0);
    ASSERT_LT(m.restart, m.songLength);
    // Speed and tempo in force when the restart order is first reached ...
    int speed = m.defaultSpeed, bpm = m.defaultBpm;
    for (int o = 0; o <= m.restart; ++o) {
        const auto& p = m.patterns[m.orders[o]];
        const int rows =
            o < m.restart ? p.rows : 1;  // the restart order's first row applies its own settings
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < m.channels; ++c) {
                const auto& cell = p.at(r, c, m.channels);
                if (cell.effect == 0xF) (cell.param < 32 ? speed : bpm) = cell.param;
            }
    }
    // ... and when it is reached again from the end of the song.
    const xmread::Timing pass = xmread::TimePass(m);
    int againSpeed = pass.speedAtEnd, againBpm = pass.bpmAtEnd;
    const auto& first = m.patterns[m.orders[m.restart]];
    for (int c = 0; c < m.channels; ++c) {
        const auto& cell = first.at(0, c, m.channels);
        if (cell.effect == 0xF) (cell.param < 32 ? againSpeed : againBpm) = cell.param;
    }
    EXPECT_EQ(againSpeed, speed);
    EXPECT_EQ(againBpm, bpm);
}

// ---------------------------------------------------------------- the generator

std::string TempPath(const std::string& name) {
    // Tests run in parallel processes (and from several build folders): the
    // process id keeps their files apart.
    return (fs::temp_directory_path() / (std::to_string(getpid()) + "_" + name)).string();
}

int RunGenerator(const std::string& out, std::string* errors = nullptr) {
    const std::string err = TempPath("song_gen_errors.txt");
    const std::string cmd = std::string("\"") + SONG_GEN + "\" \"" + out + "\" 2>\"" + err + "\"";
    const int status = std::system(cmd.c_str());
    if (errors) {
        const auto e = xmread::ReadFile(err);
        errors->assign(e.begin(), e.end());
    }
    fs::remove(err);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SongGenerator, TwoRunsWriteIdenticalBytesMatchingTheBuiltFile) {
    const std::string a = TempPath("song_gen_run_a.xm"), b = TempPath("song_gen_run_b.xm");
    ASSERT_EQ(RunGenerator(a), 0);
    ASSERT_EQ(RunGenerator(b), 0);
    const auto first = xmread::ReadFile(a), second = xmread::ReadFile(b);
    EXPECT_GT(first.size(), 10000u);
    EXPECT_TRUE(first == second);
    EXPECT_TRUE(first == Raw()) << "the build's sound.pak is the generator's output";
    fs::remove(a);
    fs::remove(b);
}

TEST(SongGenerator, UnwritableOutputFailsWithTheFileName) {
    const std::string bad = "/nonexistent-dir/sound.pak";
    std::string errors;
    EXPECT_EQ(RunGenerator(bad, &errors), 1);
    EXPECT_NE(errors.find(bad), std::string::npos) << errors;
}

// ---------------------------------------------------------------- the writer on small modules

song::Module TinyModule() {
    song::Module m;
    m.name = "tiny";
    m.channels = 2;
    song::Pattern p;
    p.rows = 4;
    p.cells.resize(8);
    p.at(0, 0, 2) = {49, 1, 0x40, 0x4, 0x21};  // complete: stored raw
    p.at(1, 1, 2) = {97, 0, 0, 0, 0};          // key-off only
    p.at(3, 0, 2) = {0, 0, 0, 0xE, 0xC3};      // effect only
    m.patterns.push_back(p);
    m.orders = {0, 0};
    song::Instrument ins;
    ins.name = "beep";
    ins.sample.data = {0, 1000, -1000, 32767, -32767};
    ins.sample.sixteenBit = true;
    m.instruments.push_back(ins);
    ins.sample.sixteenBit = false;
    ins.sample.data = {0, 256, -256, 127 * 256, -127 * 256};
    ins.sample.loop = song::LoopType::PingPong;
    ins.sample.loopStart = 1;
    ins.sample.loopLength = 3;
    m.instruments.push_back(ins);
    return m;
}

TEST(SongWriter, SmallModuleRoundTripsThroughTheReader) {
    const auto bytes = song::WriteModule(TinyModule());
    const auto m = xmread::Parse(bytes, "tiny");
    EXPECT_EQ(m.songLength, 2);
    EXPECT_EQ(m.channels, 2);
    ASSERT_EQ(m.patterns.size(), 1u);
    const auto& p = m.patterns[0];
    EXPECT_EQ(p.packedBytesUsed, p.packedSize);
    EXPECT_EQ(p.packedSize, 5 + 1 + 2 + 1 + 1 + 1 + 1 + 3);  // raw cell, masks, fields
    EXPECT_EQ(p.rawCells, 1);
    EXPECT_EQ(p.at(0, 0, 2).param, 0x21);
    EXPECT_EQ(p.at(1, 1, 2).note, 97);
    EXPECT_EQ(p.at(3, 0, 2).param, 0xC3);
    ASSERT_EQ(m.instruments.size(), 2u);
    EXPECT_EQ(m.instruments[0].samples[0].data, (std::vector<int16_t>{0, 1000, -1000, 32767, -32767}));
    EXPECT_EQ(m.instruments[0].samples[0].lengthBytes, 10u);
    const auto& eight = m.instruments[1].samples[0];
    EXPECT_EQ(eight.lengthBytes, 5u);
    EXPECT_EQ(eight.loopType(), 2);
    EXPECT_EQ(eight.loopStartBytes, 1u);
    EXPECT_EQ(eight.loopLengthBytes, 3u);
    EXPECT_EQ(eight.data, (std::vector<int16_t>{0, 256, -256, 127 * 256, -127 * 256}));
    EXPECT_EQ(m.bytesRead, bytes.size());
}

TEST(SongWriter, RefusesModulesTheFormatCannotHold) {
    auto expectRefused = [](song::Module m, const char* why) {
        EXPECT_THROW(song::WriteModule(m), std::runtime_error) << why;
    };
    song::Module m = TinyModule();
    m.orders = {0, 1};
    expectRefused(m, "order names a missing pattern");
    m = TinyModule();
    m.restart = 2;
    expectRefused(m, "restart beyond the song");
    m = TinyModule();
    m.instruments[1].sample.loopLength = 9;
    expectRefused(m, "loop beyond the sample");
    m = TinyModule();
    for (int i = 0; i < 13; ++i) m.instruments[0].volumeEnvelope.points.push_back({uint16_t(i), 10});
    expectRefused(m, "13 envelope points");
    m = TinyModule();
    m.patterns[0].at(0, 1, 2).instrument = 9;
    expectRefused(m, "cell names a missing instrument");
    m = TinyModule();
    m.orders.clear();
    expectRefused(m, "empty order list");
}

TEST(SongReader, RefusesTruncatedAndForeignFiles) {
    const auto bytes = song::WriteModule(TinyModule());
    for (size_t cut : {size_t(10), size_t(100), size_t(340), bytes.size() - 1}) {
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + long(cut));
        EXPECT_THROW(xmread::Parse(part, "cut"), std::runtime_error) << cut;
    }
    auto foreign = bytes;
    foreign[0] = 'X';
    EXPECT_THROW(xmread::Parse(foreign, "foreign"), std::runtime_error);
}

}  // namespace
