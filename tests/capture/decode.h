#pragma once
// Reads a captured file back with FFmpeg's own libraries, the way a player
// does: pictures converted to RGB by the colour tags the file carries, sound
// as 16-bit stereo.
#include <cstdint>
#include <string>
#include <vector>

struct DecodedFile {
    int width = 0, height = 0;
    std::vector<std::vector<uint8_t>> frames;  // RGB rows, in presentation order
    std::vector<int64_t> framePts;             // in the video stream's time base
    std::vector<int16_t> sound;                // interleaved stereo
    int soundRate = 0;
    // What the container says.
    int64_t frameRateNum = 0, frameRateDen = 1;
    int64_t videoTimeBaseNum = 0, videoTimeBaseDen = 1;
    int64_t videoDuration = -1, soundDuration = -1;  // in each stream's time base; -1 unknown
    int64_t soundTimeBaseNum = 0, soundTimeBaseDen = 1;
    int64_t videoFrameCount = 0;                     // the container's count, 0 unknown
};

// False with a one-line reason when the file cannot be read whole.
bool decodeFile(const std::string& path, DecodedFile* out, std::string* error);
