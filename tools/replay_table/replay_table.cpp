// Writes the recorded performance of a module (audio/replay_record.h) and,
// with a third argument, the sound it made as 16-bit stereo WAV at 44100 Hz:
//   replay_table <module.it> <table> [<sound.wav>]
#include <cstdio>
#include <string>
#include <vector>

#include "audio/replay_record.h"

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

bool writeFile(const char* name, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(name, "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void putTag(std::vector<uint8_t>& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

std::vector<uint8_t> wavFile(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> b;
    uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
    putTag(b, "RIFF");
    put32(b, 36 + bytes);
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    put32(b, 16);
    put16(b, 1);  // PCM
    put16(b, 2);
    put32(b, RATE);
    put32(b, RATE * 4);
    put16(b, 4);
    put16(b, 16);
    putTag(b, "data");
    put32(b, bytes);
    for (int16_t v : samples) put16(b, static_cast<uint16_t>(v));
    return b;
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
    if (!writeFile(argv[2], writeReplayTable(table))) {
        std::fprintf(stderr, "replay_table: cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc == 4 && !writeFile(argv[3], wavFile(sound))) {
        std::fprintf(stderr, "replay_table: cannot write %s\n", argv[3]);
        return 1;
    }
    std::printf("replay_table: %zu rows, %zu hits, %.3f s\n", table.rows.size(), table.hits.size(),
                double(table.endFrame) / RATE);
    return 0;
}
