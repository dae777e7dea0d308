// The warning picture merged and cut into textures, and the screen-door pattern.
#include "render/textures.h"

#include <cstring>
#include <vector>

#include "assets/assets.h"
#include "render/draw.h"
#include "render/pcx.h"

unsigned pictureTexture = 0;
unsigned pictureSideTexture = 0;
unsigned screenDoorTexture = 0;

void fillPictureTexture(uint8_t* out, const uint8_t* staging, int firstColumn, int width) {
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int j = 0; j < TEXTURE_ROWS; ++j) {
        int r = j - 16;
        uint8_t* row = out + static_cast<size_t>(j) * rowBytes;
        if (r >= 0 && r < PICTURE_HEIGHT)
            std::memcpy(row, staging + (static_cast<size_t>(r) * PICTURE_WIDTH + firstColumn) * 4, rowBytes);
        else
            std::memset(row, 0, rowBytes);
    }
}

void fillScreenDoor(uint8_t* out) {
    for (int y = 0; y < SCREEN_DOOR_SIZE; ++y) {
        for (int x = 0; x < SCREEN_DOOR_SIZE; ++x) {
            uint8_t* p = out + (static_cast<size_t>(y) * SCREEN_DOOR_SIZE + x) * 4;
            bool clear = (x - y) % 4 == 0 && x % 4 != 0;
            p[0] = p[1] = p[2] = 0;
            p[3] = clear ? 0 : 255;
        }
    }
}

namespace {
unsigned makeTexture(int wrap, int internalFormat, int width, int height, const uint8_t* pixels) {
    unsigned name = 0;
    draw->genTextures(1, &name);
    draw->bindTexture(DRAW_TEXTURE_2D, name);
    draw->texParameteri(DRAW_TEXTURE_2D, DRAW_TEXTURE_MAG_FILTER, DRAW_NEAREST);
    draw->texParameteri(DRAW_TEXTURE_2D, DRAW_TEXTURE_MIN_FILTER, DRAW_NEAREST);
    draw->texParameteri(DRAW_TEXTURE_2D, DRAW_TEXTURE_WRAP_S, wrap);
    draw->texParameteri(DRAW_TEXTURE_2D, DRAW_TEXTURE_WRAP_T, wrap);
    draw->texImage2D(DRAW_TEXTURE_2D, 0, internalFormat, width, height, 0, DRAW_RGBA, DRAW_UNSIGNED_BYTE, pixels);
    return name;
}
}  // namespace

void createTextures() {
    // Twice the picture's height: the decoder carries on past the last scan line
    // (the images' trailing palettes land in rows 480-485), never read back.
    std::vector<uint8_t> staging(static_cast<size_t>(PICTURE_WIDTH) * STAGING_ROWS * 4);
    std::vector<uint8_t> buffer(static_cast<size_t>(512) * TEXTURE_ROWS * 4);
    uint8_t palette[256 * 4];
    DecodedImage image{0, 0, 0, palette, staging.data()};
    decodePcx(&image, warningPictureRed, warningPictureRedSize, 2, staging.size());
    decodePcx(&image, warningPictureGreen, warningPictureGreenSize, 1, staging.size());
    decodePcx(&image, warningPictureBlue, warningPictureBlueSize, 0, staging.size());

    fillPictureTexture(buffer.data(), staging.data(), 0, 512);
    pictureTexture = makeTexture(DRAW_CLAMP, 3, 512, TEXTURE_ROWS, buffer.data());
    fillPictureTexture(buffer.data(), staging.data(), 512, 128);
    pictureSideTexture = makeTexture(DRAW_CLAMP, 3, 128, TEXTURE_ROWS, buffer.data());
    fillScreenDoor(buffer.data());
    screenDoorTexture = makeTexture(DRAW_REPEAT, 4, SCREEN_DOOR_SIZE, SCREEN_DOOR_SIZE, buffer.data());
}
