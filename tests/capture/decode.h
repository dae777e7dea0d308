#pragma once
// Reads a captured file back with FFmpeg's own libraries, the way a player
// does: pictures converted to RGB by the colour tags the file carries, sound
// as 16-bit stereo.
#include <cstdint>
#include <string>
#include <vector>

struct DecodedFile {
    std::vector<std::vector<uint8_t>> frames;  // RGB rows, in presentation order
    std::vector<int16_t> sound;                // interleaved stereo
    // What the container says: durations in each stream's time base (-1
    // unknown) and the video's frame count (0 unknown).
    int64_t videoTimeBaseNum = 0, videoTimeBaseDen = 1;
    int64_t soundTimeBaseNum = 0, soundTimeBaseDen = 1;
    int64_t videoDuration = -1, soundDuration = -1;
    int64_t videoFrameCount = 0;
};

// False with a one-line reason when the file cannot be read whole.
bool decodeFile(const std::string& path, DecodedFile* out, std::string* error);
