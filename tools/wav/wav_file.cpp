// The WAV header and a checked file write.
#include "tools/wav/wav_file.h"

#include <cstdio>

namespace {
void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void putTag(std::vector<uint8_t>& b, const char* tag) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(tag[i]));
}
}  // namespace

std::vector<uint8_t> stereoWav16(const std::vector<int16_t>& samples, uint32_t rate) {
    std::vector<uint8_t> b;
    const uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
    b.reserve(44 + bytes);
    putTag(b, "RIFF");
    put32(b, 36 + bytes);
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    put32(b, 16);
    put16(b, 1);  // PCM
    put16(b, 2);
    put32(b, rate);
    put32(b, rate * 4);
    put16(b, 4);
    put16(b, 16);
    putTag(b, "data");
    put32(b, bytes);
    for (int16_t v : samples) put16(b, static_cast<uint16_t>(v));
    return b;
}

bool writeFileBytes(const char* name, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(name, "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
