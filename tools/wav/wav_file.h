#pragma once
// 16-bit stereo PCM in a RIFF WAVE file, the form the sound tools write for
// listening and for measuring with sox.
#include <cstdint>
#include <vector>

// samples: interleaved left/right.
std::vector<uint8_t> stereoWav16(const std::vector<int16_t>& samples, uint32_t rate);
// Writes bytes to name whole; false on any failure, the close included.
bool writeFileBytes(const char* name, const std::vector<uint8_t>& bytes);
