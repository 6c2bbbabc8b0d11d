// song_gen - writes Brovask's music module: `song_gen OUT.xm`.
#include <cstdio>
#include <exception>
#include <fstream>

#include "score.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.xm\n", argv[0]);
        return 1;
    }
    try {
        const std::vector<uint8_t> bytes = song::WriteModule(song::ComposeSong());
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        if (!out) {
            std::fprintf(stderr, "%s: cannot open for writing\n", argv[1]);
            return 1;
        }
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "%s: write failed\n", argv[1]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}
