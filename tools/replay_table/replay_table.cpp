// Writes the recorded performance of a module (audio/replay_record.h) and,
// with a third argument, the sound it made as 16-bit stereo WAV at 44100 Hz:
//   replay_table <module.it> <table> [<sound.wav>]
#include <cstdio>
#include <string>
#include <vector>

#include "audio/replay_record.h"
#include "tools/wav/wav_file.h"

namespace {
constexpr uint32_t RATE = 44100;

bool readFile(const char* name, std::vector<uint8_t>* bytes) {
    FILE* f = std::fopen(name, "rb");
    if (!f) return false;
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes->insert(bytes->end(), buffer, buffer + got);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: replay_table <module.it> <table> [<sound.wav>]\n");
        return 2;
    }
    std::vector<uint8_t> module;
    if (!readFile(argv[1], &module)) {
        std::fprintf(stderr, "replay_table: cannot read %s\n", argv[1]);
        return 1;
    }
    ReplayTable table;
    std::vector<int16_t> sound;
    std::string error;
    if (!recordPerformance(module, RATE, &table, argc == 4 ? &sound : nullptr, &error)) {
        std::fprintf(stderr, "replay_table: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    if (!writeFileBytes(argv[2], writeReplayTable(table))) {
        std::fprintf(stderr, "replay_table: cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc == 4 && !writeFileBytes(argv[3], stereoWav16(sound, RATE))) {
        std::fprintf(stderr, "replay_table: cannot write %s\n", argv[3]);
        return 1;
    }
    std::printf("replay_table: %zu rows, %zu hits, %.3f s\n", table.rows.size(), table.hits.size(),
                double(table.endFrame) / RATE);
    return 0;
}
