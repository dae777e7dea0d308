#pragma once
// The warning picture, merged from three single-channel images and cut into two
// textures with power-of-two sides, and the procedural screen-door pattern.

#include <cstdint>

constexpr int PICTURE_WIDTH = 640;
constexpr int PICTURE_HEIGHT = 480;
constexpr int STAGING_ROWS = 960;  // room for whatever a decoder writes past the picture
constexpr int TEXTURE_ROWS = 512;  // the picture with 16 black rows above and below
constexpr int SCREEN_DOOR_SIZE = 256;

extern unsigned pictureTexture;      // 512 x 512: picture columns 0..511
extern unsigned pictureSideTexture;  // 128 x 512: picture columns 512..639
extern unsigned screenDoorTexture;   // 256 x 256 RGBA

// Texture rows of `width` pixels from picture columns firstColumn.. of the RGBA
// staging picture (PICTURE_WIDTH wide): row j is picture row j - 16, black where
// that is outside the picture.
void fillPictureTexture(uint8_t* out, const uint8_t* staging, int firstColumn, int width);
// Opaque black, with transparent pixels where x - y is a multiple of 4 and x is not.
void fillScreenDoor(uint8_t* out);
// Decodes the embedded images and makes the three textures in the current context.
void createTextures();
