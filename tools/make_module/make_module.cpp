// Writes the show's Impulse Tracker module:  make_module <output.it>
// The result depends on nothing but this program, so every build makes the
// same bytes.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/itwriter/itwriter.h"
#include "tools/make_module/song.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_module <output.it>\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!writeItModule(composeShow(), bytes, error)) {
        std::fprintf(stderr, "make_module: %s\n", error.c_str());
        return 1;
    }
    FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::fprintf(stderr, "make_module: cannot write %s\n", argv[1]);
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "make_module: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
