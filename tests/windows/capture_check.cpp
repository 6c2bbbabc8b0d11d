// capture_check - compares what the game under wine sent to its waveOut
// device, as ALSA's file plugin captured it, with xmrender's render of the
// same song at the same volume, and says when the stream fell silent.
//
//   capture_check CAPTURE.raw REFERENCE.wav TIMES.txt
//
// The capture holds interleaved stereo samples as wine handed them to ALSA:
// signed 16-bit, or 32-bit float (x 32768 gives the 16-bit sample). After the
// leading silence on each side every sample must be equal, up to where the
// capture falls silent for good. TIMES.txt holds "milliseconds bytes" lines,
// the capture's size polled from the click on "sound" on (first line): the
// silence must have been written within MaxSilenceMs of it.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr long MaxSilenceMs = 300;
constexpr size_t MinEqualFrames = 48000;  // at least a second of music before the click

std::vector<uint8_t> ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The capture read as 16-bit samples, in the format whose start matches.
bool Decode(const std::vector<uint8_t>& raw, bool asFloat, std::vector<int32_t>& out) {
    size_t width = asFloat ? 4 : 2;
    out.resize(raw.size() / width);
    for (size_t i = 0; i < out.size(); ++i) {
        if (asFloat) {
            float f;
            std::memcpy(&f, &raw[4 * i], 4);
            double scaled = double(f) * 32768.0;
            if (scaled != std::floor(scaled)) return false;  // not a 16-bit sample
            out[i] = int32_t(scaled);
        } else {
            out[i] = int16_t(raw[2 * i] | (raw[2 * i + 1] << 8));
        }
    }
    return true;
}

size_t FirstSound(const std::vector<int32_t>& s) {
    size_t i = 0;
    while (i < s.size() && s[i] == 0) ++i;
    return i;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: capture_check CAPTURE.raw REFERENCE.wav TIMES.txt\n");
        return 2;
    }
    std::vector<uint8_t> raw = ReadFile(argv[1]), wav = ReadFile(argv[2]);
    if (wav.size() < 44) {
        std::printf("FAIL: %s is no WAV file\n", argv[2]);
        return 1;
    }
    std::vector<int32_t> reference((wav.size() - 44) / 2);
    for (size_t i = 0; i < reference.size(); ++i) reference[i] = int16_t(wav[44 + 2 * i] | (wav[45 + 2 * i] << 8));
    size_t refStart = FirstSound(reference);

    for (bool asFloat : {false, true}) {
        std::vector<int32_t> capture;
        if (!Decode(raw, asFloat, capture)) continue;
        size_t start = FirstSound(capture), end = capture.size();
        while (end > start && capture[end - 1] == 0) --end;
        size_t equal = 0;
        while (start + equal < end && refStart + equal < reference.size() &&
               capture[start + equal] == reference[refStart + equal])
            ++equal;
        if (start + equal < end || equal / 2 < MinEqualFrames) continue;  // not this format
        size_t width = asFloat ? 4 : 2;
        uint64_t silenceByte = uint64_t(end) * width;
        std::printf("capture (%s): %zu frames equal to the reference, silent from byte %llu of %zu\n",
                    asFloat ? "32-bit float" : "16-bit", equal / 2, (unsigned long long)silenceByte, raw.size());
        std::ifstream times(argv[3]);
        long ms = 0, clickMs = -1;
        unsigned long long bytes = 0, clickBytes = 0;
        while (times >> ms >> bytes) {
            if (clickMs < 0) clickMs = ms, clickBytes = bytes;
            if (bytes >= silenceByte) break;
        }
        if (clickMs < 0 || silenceByte <= clickBytes) {
            std::printf("FAIL: the music was silent before the click on \"sound\" (byte %llu)\n", clickBytes);
            return 1;
        }
        if (bytes < silenceByte) {
            std::printf("FAIL: the music did not fall silent while polled\n");
            return 1;
        }
        std::printf("silence written %ld ms after the click on \"sound\"\n", ms - clickMs);
        if (ms - clickMs > MaxSilenceMs) {
            std::printf("FAIL: silence came later than %ld ms\n", MaxSilenceMs);
            return 1;
        }
        return 0;
    }
    std::printf("FAIL: the captured samples differ from the reference (neither as 16-bit nor as float samples)\n");
    return 1;
}
