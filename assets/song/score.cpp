// score.cpp - the battle theme. D minor, 140 BPM, speed 6: a row is a
// sixteenth note, a bar is 16 rows and a pattern holds four bars.
//
// Channels: lead, echo/harmony, bass, two pad voices, chip arpeggio, kick,
// snare, hi-hat (toms in fills), percussion (crash, riser).
//
// Form (order: pattern): 0 intro, 1 theme, 2 answer, 3 bridge, 4 chorus,
// 5 chorus (to the dominant), 6 breakdown (holding back in its last bar),
// 7 build, 8 theme, 9 answer in harmony, 10 chorus, 11 last chorus with a
// tom fill that falls back into the theme. The song restarts at order 1,
// so the intro (and its tempo ramp from 120 to 136 BPM) is heard once.
#include "score.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>

#include "synth.h"

namespace song {
namespace {

enum Channel { LEAD, ECHO, BASS, PAD_A, PAD_B, PLUCK, KICK, SNARE, HAT, PERC, CHANNELS };
enum InstrumentNumber {
    I_LEAD = 1,
    I_ECHO,
    I_BASS,
    I_PAD_A,
    I_PAD_B,
    I_PLUCK,
    I_KICK,
    I_SNARE,
    I_HAT,
    I_CRASH,
    I_TOM,
    I_RISER
};

// Effect numbers of the format.
constexpr uint8_t FX_ARPEGGIO = 0x0, FX_PORTA_UP = 0x1, FX_PORTA_DOWN = 0x2, FX_TONE_PORTA = 0x3,
                  FX_VIBRATO = 0x4, FX_TREMOLO = 0x7, FX_VOLUME_SLIDE = 0xA, FX_EXTENDED = 0xE,
                  FX_SPEED_TEMPO = 0xF;
constexpr uint8_t EX_NOTE_CUT = 0xC0, EX_NOTE_DELAY = 0xD0;
// Volume column forms.
constexpr uint8_t VOL_SET = 0x10, VOL_SLIDE_DOWN = 0x60, VOL_SLIDE_UP = 0x70;

constexpr int ROWS = 64, BAR = 16, BARS = 4;
constexpr int SPEED = 6;
constexpr int TEMPO = 140;
constexpr int INTRO_TEMPO[] = {120, 130, 136};  // at rows 0, 32 and 48 of the intro
constexpr int RITARDANDO[] = {7, 9};            // speeds at rows 56 and 60 of the breakdown
constexpr int C4 = 49;                          // note number of C-4
constexpr int DRUM_NOTE = C4;                   // drums play at their drawn rate

uint8_t Vol(int v) {
    return uint8_t(VOL_SET + std::clamp(v, 0, 64));
}

// ---------------------------------------------------------------- harmony

struct Chord {
    int root = 0;  // semitone, C = 0
    bool minor = true;
    int third() const { return (root + (minor ? 3 : 4)) % 12; }
    int fifth() const { return (root + 7) % 12; }
};

int PitchClass(const std::string& name, size_t& i) {
    static const int natural[] = {9, 11, 0, 2, 4, 5, 7};  // A..G
    const char letter = char(std::toupper(name.at(i)));
    if (letter < 'A' || letter > 'G') throw std::runtime_error("bad note name: " + name);
    int pc = natural[letter - 'A'];
    ++i;
    if (i < name.size() && name[i] == '#')
        pc += 1, ++i;
    else if (i < name.size() && name[i] == 'b')
        pc -= 1, ++i;
    return (pc + 12) % 12;
}

Chord ParseChord(const std::string& name) {
    size_t i = 0;
    Chord c;
    c.root = PitchClass(name, i);
    c.minor = i < name.size() && name[i] == 'm';
    return c;
}

// "C#5" -> note number (1 = C-0).
int ParseNote(const std::string& name) {
    size_t i = 0;
    const int pc = PitchClass(name, i);
    if (i >= name.size() || !std::isdigit(uint8_t(name[i])))
        throw std::runtime_error("note without octave: " + name);
    return (name[i] - '0') * 12 + pc + 1;
}

// The note of pitch class `pc` in octave `octave`.
int NoteOf(int pc, int octave) {
    return octave * 12 + pc + 1;
}

// The harmony voice under a melody note: a chord tone takes the next chord
// tone below it; any other note the diatonic third below in D minor.
int HarmonyBelow(int note, const Chord& chord) {
    const int pc = (note - 1) % 12;
    const int tones[] = {chord.root, chord.third(), chord.fifth()};
    for (int t : tones) {
        if (t != pc) continue;
        for (int down = 3; down <= 5; ++down) {
            const int below = (pc - down + 12) % 12;
            if (below == tones[0] || below == tones[1] || below == tones[2]) return note - down;
        }
    }
    const int scale[] = {2, 4, 5, 7, 9, 10, 0};  // D E F G A Bb C
    for (int d = 0; d < 7; ++d)
        if (scale[d] == pc) return note - (pc - scale[(d + 5) % 7] + 12) % 12;
    return note - 3;  // a chromatic note: a minor third under it
}

// ---------------------------------------------------------------- pattern writer

class Bars {
   public:
    Bars() {
        pattern_.rows = ROWS;
        pattern_.cells.resize(ROWS * CHANNELS);
    }
    Cell& at(int row, int ch) {
        if (row < 0 || row >= ROWS) throw std::runtime_error("row outside the pattern");
        return pattern_.at(row, ch, CHANNELS);
    }
    void note(int row, int ch, int note, int instrument, int volume) {
        Cell& c = at(row, ch);
        c.note = uint8_t(note);
        c.instrument = uint8_t(instrument);
        c.volume = Vol(volume);
    }
    void keyOff(int row, int ch) { at(row, ch).note = NOTE_KEY_OFF; }
    void effect(int row, int ch, uint8_t type, uint8_t param) {
        Cell& c = at(row, ch);
        if (c.effect || c.param) throw std::runtime_error("two effects in one cell");
        c.effect = type;
        c.param = param;
    }
    void volumeColumn(int row, int ch, uint8_t value) { at(row, ch).volume = value; }
    Pattern take() { return std::move(pattern_); }

   private:
    Pattern pattern_;
};

// ---------------------------------------------------------------- melody lines
//
// A line is a list of "NOTE:ROWS" tokens (bars may be separated by '|'):
//   D5:4    D-5 for four rows        .:4   rest (the last note rings on)
//   -:4     key-off, then rest
// Suffixes after the length: '~' vibrato after the attack, '>' glide into the
// note from the one before (tone portamento), 'v' fade out over the second
// half, '!' accent.

struct LineNote {
    int row, length, note;  // note 0 = rest, NOTE_KEY_OFF = key-off
    bool vibrato = false, glide = false, fade = false, accent = false;
};

std::vector<LineNote> ParseLine(const std::string& text) {
    std::vector<LineNote> notes;
    std::istringstream in(text);
    std::string token;
    int row = 0;
    while (in >> token) {
        if (token == "|") {
            if (row % BAR) throw std::runtime_error("bar line off the beat in: " + text);
            continue;
        }
        const size_t colon = token.find(':');
        if (colon == std::string::npos) throw std::runtime_error("token without length: " + token);
        LineNote n{row, 0, 0};
        const std::string pitch = token.substr(0, colon);
        size_t end = colon + 1;
        while (end < token.size() && std::isdigit(uint8_t(token[end]))) ++end;
        n.length = std::atoi(token.substr(colon + 1, end - colon - 1).c_str());
        for (; end < token.size(); ++end) {
            switch (token[end]) {
                case '~':
                    n.vibrato = true;
                    break;
                case '>':
                    n.glide = true;
                    break;
                case 'v':
                    n.fade = true;
                    break;
                case '!':
                    n.accent = true;
                    break;
                default:
                    throw std::runtime_error("unknown mark in " + token);
            }
        }
        if (n.length <= 0) throw std::runtime_error("empty note: " + token);
        n.note = pitch == "." ? 0 : pitch == "-" ? NOTE_KEY_OFF : ParseNote(pitch);
        notes.push_back(n);
        row += n.length;
    }
    if (row != ROWS) throw std::runtime_error("line is not four bars long: " + text);
    return notes;
}

constexpr uint8_t VIBRATO_PARAM = 0x54;  // speed 5, depth 4
constexpr uint8_t GLIDE_SPEED = 0x0C;
constexpr uint8_t FADE_PARAM = 0x01;  // one volume step a tick

// Writes a line into channel `ch`, `shift` rows late (notes pushed past the
// pattern's end are dropped). `voice` turns each melody note into the note
// actually played (for a harmony part).
template <typename Voice>
void PlaceLine(Bars& bars, int ch, int instrument, const std::string& text, int volume, int shift,
               Voice voice) {
    for (const LineNote& n : ParseLine(text)) {
        const int start = n.row + shift;
        if (start >= ROWS || n.note == 0) continue;
        if (n.note == NOTE_KEY_OFF) {
            bars.keyOff(start, ch);
            continue;
        }
        const int played = voice(n.note, n.row);
        Cell& c = bars.at(start, ch);
        c.note = uint8_t(played);
        c.volume = Vol(volume + (n.accent ? 8 : 0));
        if (!n.glide) c.instrument = uint8_t(instrument);  // a glide keeps the sounding note's envelope
        for (int r = 0; r < n.length && start + r < ROWS; ++r) {
            const int row = start + r;
            if (n.glide && r < 2) {
                bars.effect(row, ch, FX_TONE_PORTA, r == 0 ? GLIDE_SPEED : 0);
            } else if (n.fade && r >= n.length / 2) {
                bars.effect(row, ch, FX_VOLUME_SLIDE, FADE_PARAM);
            } else if (n.vibrato && r >= 2) {
                bars.effect(row, ch, FX_VIBRATO, r == 2 ? VIBRATO_PARAM : 0);
            }
        }
    }
}

void Melody(Bars& bars, int ch, int instrument, const std::string& text, int volume, int shift = 0) {
    PlaceLine(bars, ch, instrument, text, volume, shift, [](int note, int) { return note; });
}

void Harmony(Bars& bars, const std::string& text, const Chord* chords, int volume) {
    PlaceLine(bars, ECHO, I_ECHO, text, volume, 0,
              [chords](int note, int row) { return HarmonyBelow(note, chords[row / BAR]); });
}

// ---------------------------------------------------------------- accompaniment

struct Section {
    Chord chords[BARS];
    explicit Section(const char* names) {
        std::istringstream in(names);
        for (Chord& c : chords) {
            std::string name;
            if (!(in >> name)) throw std::runtime_error(std::string("section needs four chords: ") + names);
            c = ParseChord(name);
        }
    }
};

// Bass roots sit between A-1 and G#2.
int BassNote(const Chord& c) {
    return NoteOf(c.root, c.root >= 9 ? 1 : 2);
}

enum class BassStyle { Gallop, Octaves, Whole, Pedal };

constexpr uint8_t STACCATO = EX_NOTE_CUT | 4;  // a sixteenth cut after four ticks

void Bass(Bars& bars, const Section& s, BassStyle style) {
    for (int bar = 0; bar < BARS; ++bar) {
        const int root = BassNote(s.chords[bar]);
        const int base = bar * BAR;
        switch (style) {
            case BassStyle::Gallop:  // eighth and two sixteenths, the cavalry rhythm
                for (int beat = 0; beat < 4; ++beat) {
                    const int r = base + beat * 4;
                    const int lift = (bar == BARS - 1 && beat == 3) ? 12 : 0;
                    bars.note(r, BASS, root, I_BASS, beat == 0 ? 36 : 32);
                    bars.note(r + 2, BASS, root + lift, I_BASS, 27);
                    bars.effect(r + 2, BASS, FX_EXTENDED, STACCATO);
                    bars.note(r + 3, BASS, root + lift, I_BASS, 29);
                    bars.effect(r + 3, BASS, FX_EXTENDED, STACCATO);
                }
                break;
            case BassStyle::Octaves:  // driving eighths jumping the octave
                for (int e = 0; e < 8; ++e)
                    bars.note(base + e * 2, BASS, root + (e % 2 ? 12 : 0), I_BASS, e % 2 ? 27 : 34);
                break;
            case BassStyle::Whole:
                bars.note(base, BASS, root, I_BASS, 36);
                bars.note(base + 10, BASS, root, I_BASS, 28);
                break;
            case BassStyle::Pedal:  // the intro: long notes, then eighths
                if (bar < 2) {
                    bars.note(base, BASS, root, I_BASS, 32);
                } else {
                    for (int e = 0; e < 8; ++e)
                        bars.note(base + e * 2, BASS, root, I_BASS, 24 + bar * 2 + (e % 2 ? 0 : 4));
                }
                break;
        }
    }
}

// Two pad voices hold the third and the fifth of each chord (the bass has
// the root); a voice is struck again only when its note changes.
void Pads(Bars& bars, const Section& s, int volume) {
    int lastA = 0, lastB = 0;
    for (int bar = 0; bar < BARS; ++bar) {
        const Chord& c = s.chords[bar];
        const int a = NoteOf(c.third(), c.third() >= 9 ? 3 : 4);
        const int b = NoteOf(c.fifth(), c.fifth() >= 11 ? 3 : 4);
        if (a != lastA) bars.note(bar * BAR, PAD_A, a, I_PAD_A, volume);
        if (b != lastB) bars.note(bar * BAR, PAD_B, b, I_PAD_B, volume);
        lastA = a;
        lastB = b;
    }
}

// The chip arpeggio: eighth notes on the chord's root, the effect spelling
// out the chord on every tick.
void Arpeggio(Bars& bars, const Section& s, int volume, int fromBar = 0) {
    for (int bar = fromBar; bar < BARS; ++bar) {
        const Chord& c = s.chords[bar];
        const uint8_t shape = c.minor ? 0x37 : 0x47;
        for (int e = 0; e < 8; ++e) {
            const int row = bar * BAR + e * 2;
            bars.note(row, PLUCK, NoteOf(c.root, 5), I_PLUCK, volume - (e % 2 ? 6 : 0));
            bars.effect(row, PLUCK, FX_ARPEGGIO, shape);
            bars.effect(row + 1, PLUCK, FX_ARPEGGIO, shape);
        }
    }
}

// ---------------------------------------------------------------- drums

constexpr uint8_t CLOSED_HAT = EX_NOTE_CUT | 2;
constexpr uint8_t GHOST_DELAY = EX_NOTE_DELAY | 3;  // half a sixteenth late: a swung ghost note

void Kick(Bars& b, int row, int vol = 54) {
    b.note(row, KICK, DRUM_NOTE, I_KICK, vol);
}
void Snare(Bars& b, int row, int vol = 56) {
    b.note(row, SNARE, DRUM_NOTE, I_SNARE, vol);
}
void Hat(Bars& b, int row, int vol, bool open = false) {
    b.note(row, HAT, DRUM_NOTE + 5, I_HAT, vol);
    if (!open) b.effect(row, HAT, FX_EXTENDED, CLOSED_HAT);
}
void Crash(Bars& b, int row, int vol = 26) {
    b.note(row, PERC, DRUM_NOTE, I_CRASH, vol);
}

enum class Groove { Rock, Drive, HalfTime };

void Drums(Bars& b, Groove g, int bars = BARS, bool pickup = false) {
    for (int bar = 0; bar < bars; ++bar) {
        const int base = bar * BAR;
        switch (g) {
            case Groove::Rock:
                Kick(b, base);
                Kick(b, base + 8);
                Kick(b, base + 10, 52);
                Snare(b, base + 4);
                Snare(b, base + 12);
                for (int e = 0; e < 8; ++e) Hat(b, base + e * 2, e % 2 ? 18 : 26);
                if (pickup && bar == BARS - 1) {  // a sixteenth snare pickup into the next section
                    Snare(b, base + 13, 32);
                    Snare(b, base + 14, 40);
                    Snare(b, base + 15, 48);
                } else {
                    b.note(base + 15, SNARE, DRUM_NOTE, I_SNARE, 14);
                    b.effect(base + 15, SNARE, FX_EXTENDED, GHOST_DELAY);
                }
                break;
            case Groove::Drive:
                for (int q = 0; q < 4; ++q) Kick(b, base + q * 4, q == 0 ? 54 : 46);
                if (bar % 2) Kick(b, base + 14, 48);
                Snare(b, base + 4, 54);
                Snare(b, base + 12, 54);
                for (int r = 0; r < BAR; ++r)
                    if (r == 14)
                        Hat(b, base + r, 24, true);
                    else if (r != 15)
                        Hat(b, base + r, r % 4 == 2 ? 26 : r % 2 ? 14 : 20);
                break;
            case Groove::HalfTime:
                Kick(b, base, 58);
                Kick(b, base + 10, 46);
                Snare(b, base + 8, 46);
                for (int q = 0; q < 4; ++q) Hat(b, base + q * 4 + 2, 16);
                break;
        }
    }
}

// A fill of four falling toms on the hat channel (the hands leave the hats),
// each bending down as it rings, with snare hits between.
void TomFill(Bars& b, int fromRow) {
    const char* toms[] = {"C5", "A4", "F4", "D4"};
    for (int i = 0; i < 4; ++i) {
        const int row = fromRow + i * 2;
        b.note(row, HAT, ParseNote(toms[i]), I_TOM, 50);
        b.effect(row, HAT, FX_PORTA_DOWN, 0x06);
        b.effect(row + 1, HAT, FX_PORTA_DOWN, 0);
        Snare(b, row + 1, 30 + i * 6);
    }
}

// Noise swept upward with portamento while the volume column swells it.
void Riser(Bars& b, int fromRow, int toRow, int startVolume) {
    b.note(fromRow, PERC, DRUM_NOTE - 12, I_RISER, startVolume);
    b.effect(fromRow, PERC, FX_PORTA_UP, 0x02);
    for (int r = fromRow + 1; r < toRow; ++r) {
        b.effect(r, PERC, FX_PORTA_UP, 0);
        if ((r - fromRow) % 5 == 0) b.volumeColumn(r, PERC, VOL_SLIDE_UP | 1);
    }
    b.keyOff(toRow, PERC);
}

// Fxx below 32 sets the ticks per row, from 32 up the beats per minute.
void Tempo(Bars& b, int row, int ch, int bpm) {
    b.effect(row, ch, FX_SPEED_TEMPO, uint8_t(bpm));
}
void Speed(Bars& b, int row, int ch, int ticks) {
    b.effect(row, ch, FX_SPEED_TEMPO, uint8_t(ticks));
}

// ---------------------------------------------------------------- the tune

const char* const THEME =
    "D5:4 A4:2 D5:2 F5:4 E5:2 D5:2 | F5:6 G5:2 F5:4 D5:4 | E5:4 C5:2 E5:2 G5:4 F5:2 E5:2 | E5:8~ C#5:4 A4:4";
const char* const ANSWER =
    "D5:4 A4:2 D5:2 F5:4 G5:2 A5:2 | Bb5:6 A5:2 G5:4 F5:4 | G5:4 E5:2 C5:2 E5:4 G5:2 F5:2 | C#5:4 E5:4 A5:8~";
const char* const BRIDGE =
    "G5:2 G5:2 Bb5:2 G5:2 D5:2 G5:2 Bb5:4 | A5:2 A5:2 F5:2 D5:2 A5:4 F5:4 | D5:2 F5:2 Bb5:4 A5:2 G5:2 F5:4 | "
    "E5:4 F5:2 E5:2 C#5:8~";
const char* const CHORUS = "D5:2 F5:2 Bb5:12~ | G5:4 A5:12>~ | F5:4 E5:2 F5:2 A5:4 D6:4 | D6:8~ C6:4 A5:4";
const char* const CHORUS_UP = "D5:2 F5:2 Bb5:12~ | C6:4 Bb5:4 A5:4 G5:4 | A5:4 E5:4 C#6:8~ | C#6:4 E6:12>~v";
const char* const BREAKDOWN = "D5:16~ | Bb4:8~ C5:8~ | D5:12~ F5:4 | E5:16~v";
const char* const BUILD = ".:32 | C5:2 D5:2 E5:2 F5:2 G5:2 A5:2 Bb5:2 C6:2 | C#6:12~ -:4";
const char* const LAST_CHORUS = "D5:2 F5:2 Bb5:12~ | G5:4 A5:12>~ | F5:4 E5:2 F5:2 A5:4 D6:4 | C#6:8~ -:8";

constexpr int LEAD_VOLUME = 50;
constexpr int ECHO_VOLUME = 20;
constexpr int HARMONY_VOLUME = 26;
constexpr int ECHO_DELAY = 3;  // a dotted eighth
constexpr int PAD_VOLUME = 24;
constexpr int ARP_VOLUME = 20;

Pattern Intro() {
    Bars b;
    const Section s("Dm Dm Dm Dm");
    Speed(b, 0, PERC, SPEED);
    Tempo(b, 0, HAT, INTRO_TEMPO[0]);
    Tempo(b, 32, ECHO, INTRO_TEMPO[1]);
    Tempo(b, 48, ECHO, INTRO_TEMPO[2]);
    // The pads swell in from near silence.
    b.note(0, PAD_A, ParseNote("F4"), I_PAD_A, 6);
    b.note(0, PAD_B, ParseNote("A4"), I_PAD_B, 6);
    for (int r = 1; r <= 4; ++r) {
        b.effect(r, PAD_A, FX_VOLUME_SLIDE, 0x10);
        b.effect(r, PAD_B, FX_VOLUME_SLIDE, 0x10);
    }
    Bass(b, s, BassStyle::Pedal);
    for (int r = 16; r < ROWS; r += 2) Hat(b, r, r < 32 ? 12 : 18);
    for (int r = 32; r < ROWS; r += 4) Kick(b, r, r < 48 ? 50 : 58);
    for (int r = 48; r < 56; r += 2) Snare(b, r, 24 + (r - 48) * 2);
    for (int r = 56; r < ROWS; ++r) Snare(b, r, 30 + (r - 56) * 3);
    Riser(b, 32, 63, 4);
    Arpeggio(b, s, ARP_VOLUME - 6, 2);
    return b.take();
}

// The theme and its answer: the lead over the gallop, echoed a dotted
// eighth later, or doubled a third below the second time round.
Pattern Verse(const char* line, bool harmony, bool crash, bool enterTempo) {
    Bars b;
    const Section s("Dm Bb C A");
    if (enterTempo) Tempo(b, 0, ECHO, TEMPO);
    Melody(b, LEAD, I_LEAD, line, LEAD_VOLUME);
    if (harmony)
        Harmony(b, line, s.chords, HARMONY_VOLUME);
    else
        Melody(b, ECHO, I_ECHO, line, ECHO_VOLUME, ECHO_DELAY);
    Bass(b, s, BassStyle::Gallop);
    Pads(b, s, PAD_VOLUME);
    Drums(b, Groove::Rock, BARS, !crash);
    if (crash) Crash(b, 0);
    if (harmony) Arpeggio(b, s, ARP_VOLUME - 4, 2);
    return b.take();
}

Pattern Bridge() {
    Bars b;
    const Section s("Gm Dm Bb A");
    Melody(b, LEAD, I_LEAD, BRIDGE, LEAD_VOLUME);
    Harmony(b, BRIDGE, s.chords, HARMONY_VOLUME);
    Bass(b, s, BassStyle::Gallop);
    Pads(b, s, PAD_VOLUME);
    Arpeggio(b, s, ARP_VOLUME);
    Drums(b, Groove::Rock, BARS, true);
    Crash(b, 0, 22);
    return b.take();
}

Pattern Chorus(const char* line, const char* chords, bool fill) {
    Bars b;
    const Section s(chords);
    Melody(b, LEAD, I_LEAD, line, LEAD_VOLUME + 4);
    Harmony(b, line, s.chords, HARMONY_VOLUME);
    Bass(b, s, BassStyle::Octaves);
    Pads(b, s, PAD_VOLUME + 2);
    Arpeggio(b, s, ARP_VOLUME);
    Drums(b, Groove::Drive, fill ? 3 : 4);
    Crash(b, 0, 30);
    Crash(b, 32, 22);
    if (fill) {
        // Last bar: kicks on the beat, toms falling towards the theme's return.
        for (int q = 0; q < 4; ++q) Kick(b, 48 + q * 4, 58);
        Snare(b, 48, 48);
        Snare(b, 52, 48);
        Hat(b, 48, 20);
        Hat(b, 50, 20);
        Hat(b, 52, 20);
        Hat(b, 54, 20);
        TomFill(b, 56);
    }
    return b.take();
}

Pattern Breakdown() {
    Bars b;
    const Section s("Gm Gm Bb A");
    Melody(b, LEAD, I_LEAD, BREAKDOWN, LEAD_VOLUME - 4);
    Melody(b, ECHO, I_ECHO, BREAKDOWN, ECHO_VOLUME, 6);
    Bass(b, s, BassStyle::Whole);
    // The last bass note dives an octave down into the build.
    for (int r = 58; r < ROWS; ++r) b.effect(r, BASS, FX_PORTA_DOWN, r == 58 ? 0x08 : 0);
    Pads(b, s, PAD_VOLUME + 6);
    for (int r = 0; r < ROWS; ++r) {
        b.effect(r, PAD_A, FX_TREMOLO, r == 0 ? 0x44 : 0);
        b.effect(r, PAD_B, FX_TREMOLO, r == 0 ? 0x34 : 0);
    }
    for (int r = 56; r < ROWS; ++r) {  // the pads sink away in the last half bar
        b.volumeColumn(r, PAD_A, VOL_SLIDE_DOWN | 1);
        b.volumeColumn(r, PAD_B, VOL_SLIDE_DOWN | 1);
    }
    Drums(b, Groove::HalfTime);
    // The last bar holds back (a ritardando) before the build sets off again.
    Speed(b, 56, PERC, RITARDANDO[0]);
    Speed(b, 60, PERC, RITARDANDO[1]);
    Crash(b, 0, 24);
    return b.take();
}

Pattern Build() {
    Bars b;
    const Section s("Dm Bb C A");
    Melody(b, LEAD, I_LEAD, BUILD, LEAD_VOLUME);
    Melody(b, ECHO, I_ECHO, BUILD, ECHO_VOLUME, ECHO_DELAY);
    Bass(b, s, BassStyle::Gallop);
    Pads(b, s, PAD_VOLUME);
    Arpeggio(b, s, ARP_VOLUME);
    Drums(b, Groove::Rock, 2);
    // Bar 3: kicks and snares on the eighths; bar 4: a sixteenth snare roll
    // growing louder.
    for (int r = 32; r < 48; r += 2) {
        Kick(b, r, 54);
        Snare(b, r, 26 + (r - 32));
        Hat(b, r, 16);
    }
    for (int r = 48; r < ROWS; ++r) {
        if (r % 4 == 0) Kick(b, r, 58);
        Snare(b, r, 30 + (r - 48) * 2);
    }
    Riser(b, 32, 63, 4);
    Speed(b, 0, PERC, SPEED);
    return b.take();
}

// ---------------------------------------------------------------- instruments

Envelope MakeEnvelope(std::initializer_list<EnvelopePoint> points) {
    Envelope e;
    e.points = points;
    return e;
}

std::vector<Instrument> Instruments() {
    std::vector<Instrument> list(12);
    Instrument& lead = list[I_LEAD - 1];
    lead.name = "Lead";
    lead.sample = LeadSample();
    lead.volumeEnvelope = MakeEnvelope({{0, 40}, {3, 64}, {12, 52}, {40, 44}, {80, 0}});
    lead.volumeEnvelope.sustain = true;
    lead.volumeEnvelope.sustainPoint = 3;
    lead.fadeout = 1024;
    lead.vibratoType = 0;  // a delayed sine vibrato
    lead.vibratoSweep = 48;
    lead.vibratoDepth = 6;
    lead.vibratoRate = 10;

    Instrument& echo = list[I_ECHO - 1];
    echo = lead;
    echo.name = "Lead echo";
    echo.sample.panning = 72;
    echo.vibratoDepth = 4;

    Instrument& bass = list[I_BASS - 1];
    bass.name = "Bass";
    bass.sample = BassSample();
    bass.volumeEnvelope = MakeEnvelope({{0, 64}, {5, 54}, {18, 46}, {30, 0}});
    bass.volumeEnvelope.sustain = true;
    bass.volumeEnvelope.sustainPoint = 2;
    bass.fadeout = 3072;

    // The pads breathe: after the attack the envelope loops between 64 and
    // 50, and the panning envelope drifts them across the stereo field.
    for (int i : {I_PAD_A, I_PAD_B}) {
        Instrument& pad = list[i - 1];
        const bool left = i == I_PAD_A;
        pad.name = left ? "Pad left" : "Pad right";
        pad.sample = PadSample(left ? 0xA11CE : 0xB0B);
        pad.sample.panning = left ? 88 : 168;
        pad.volumeEnvelope = MakeEnvelope({{0, 16}, {10, 58}, {30, 64}, {70, 50}, {110, 64}});
        pad.volumeEnvelope.loop = true;
        pad.volumeEnvelope.loopStart = 2;
        pad.volumeEnvelope.loopEnd = 4;
        const uint16_t out = left ? 20 : 44, in = left ? 40 : 24;
        pad.panningEnvelope = MakeEnvelope({{0, 32}, {60, out}, {180, in}, {240, 32}});
        pad.panningEnvelope.loop = true;
        pad.panningEnvelope.loopStart = 0;
        pad.panningEnvelope.loopEnd = 3;
        pad.fadeout = 512;
    }

    Instrument& pluck = list[I_PLUCK - 1];
    pluck.name = "Chip arpeggio";
    pluck.sample = PluckSample();
    pluck.sample.panning = 176;
    pluck.volumeEnvelope = MakeEnvelope({{0, 64}, {4, 40}, {12, 20}, {24, 0}});
    pluck.panningEnvelope = MakeEnvelope({{0, 40}, {24, 24}});
    pluck.fadeout = 2048;

    struct Drum {
        int number;
        const char* name;
        Sample (*draw)();
        uint8_t panning;
    };
    const Drum drums[] = {{I_KICK, "Kick", KickSample, 128}, {I_SNARE, "Snare", SnareSample, 136},
                          {I_HAT, "Hi-hat", HatSample, 168}, {I_CRASH, "Crash", CrashSample, 96},
                          {I_TOM, "Tom", TomSample, 112},    {I_RISER, "Riser", RiserSample, 128}};
    for (const Drum& d : drums) {
        Instrument& ins = list[d.number - 1];
        ins.name = d.name;
        ins.sample = d.draw();
        ins.sample.panning = d.panning;
    }
    list[I_RISER - 1].fadeout = 4096;  // its key-off ends it quickly
    list[I_RISER - 1].volumeEnvelope = MakeEnvelope({{0, 64}, {1, 64}});
    list[I_RISER - 1].volumeEnvelope.sustain = true;
    list[I_RISER - 1].volumeEnvelope.sustainPoint = 1;
    return list;
}

}  // namespace

Module ComposeSong() {
    Module m;
    m.name = "Iron Column";
    m.tracker = "Brovask songwriter";
    m.channels = CHANNELS;
    m.defaultSpeed = SPEED;
    m.defaultBpm = INTRO_TEMPO[0];
    m.linearFrequencies = true;

    enum {
        P_INTRO,
        P_THEME,
        P_ANSWER,
        P_BRIDGE,
        P_CHORUS,
        P_CHORUS_UP,
        P_BREAKDOWN,
        P_BUILD,
        P_ANSWER_HARMONY,
        P_LAST
    };
    m.patterns.resize(P_LAST + 1);
    m.patterns[P_INTRO] = Intro();
    m.patterns[P_THEME] = Verse(THEME, false, true, true);
    m.patterns[P_ANSWER] = Verse(ANSWER, false, false, false);
    m.patterns[P_BRIDGE] = Bridge();
    m.patterns[P_CHORUS] = Chorus(CHORUS, "Bb C Dm Dm", false);
    m.patterns[P_CHORUS_UP] = Chorus(CHORUS_UP, "Bb C A A", false);
    m.patterns[P_BREAKDOWN] = Breakdown();
    m.patterns[P_BUILD] = Build();
    m.patterns[P_ANSWER_HARMONY] = Verse(ANSWER, true, false, false);
    m.patterns[P_LAST] = Chorus(LAST_CHORUS, "Bb C Dm A", true);

    m.orders = {P_INTRO,     P_THEME, P_ANSWER, P_BRIDGE,         P_CHORUS, P_CHORUS_UP,
                P_BREAKDOWN, P_BUILD, P_THEME,  P_ANSWER_HARMONY, P_CHORUS, P_LAST};
    m.restart = 1;
    m.instruments = Instruments();
    return m;
}

}  // namespace song
