#pragma once
// The warning picture: a seizure warning to the viewer and the makers' credits,
// white text on black with a soft blue-green glow.
#include <cstdint>
#include <vector>

constexpr int PICTURE_WIDTH = 640;
constexpr int PICTURE_HEIGHT = 480;

struct WarningPicture {
    std::vector<uint8_t> red, green, blue;  // PICTURE_WIDTH x PICTURE_HEIGHT each
};

// Sets the picture with the DejaVu fonts found in fontDir. Returns false, with
// the reason on stderr, when FreeType or a font cannot be loaded.
bool makeWarningPicture(WarningPicture& picture, const char* fontDir);
