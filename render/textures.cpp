#include "render/textures.h"

#include <cstring>

GLuint pictureTexture = 0;
GLuint pictureSideTexture = 0;
GLuint screenDoorTexture = 0;

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
