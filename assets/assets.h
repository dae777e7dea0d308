#pragma once
// The embedded assets, generated at build time by the tools under tools/.
// Each is a whole file as bytes, with its length in bytes.

extern const unsigned char musicModule[];      // Impulse Tracker module
extern const unsigned musicModuleSize;
extern const unsigned char warningPictureRed[];   // 640 x 480 PCX, red channel
extern const unsigned warningPictureRedSize;
extern const unsigned char warningPictureGreen[]; // green channel
extern const unsigned warningPictureGreenSize;
extern const unsigned char warningPictureBlue[];  // blue channel
extern const unsigned warningPictureBlueSize;
