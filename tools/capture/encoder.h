#pragma once
// The video file through FFmpeg's libraries: H.264 (libx264) pictures and
// AAC or FLAC sound in an MP4, Matroska or QuickTime container, timestamps
// counted in frames and samples so they are exact.
//
// Colour: the show's RGB is full range (0-255). Pictures are converted to
// 4:2:0 YUV with the BT.709 matrix into the limited (16-235) range
// (tools/capture/colour.h) and tagged so (BT.709 matrix, primaries and
// transfer, limited range, chroma at the centre of its pixels), the tagging
// every player honours; a decoder that follows the tags gets the RGB back.
#include <cstdint>
#include <string>

#include "tools/capture/options.h"

struct AVFrame;

// "FFmpeg x.y.z\n": the version of the libraries loaded at run time.
const char* encoderLibraryVersions();
struct Encoder;

struct EncoderSettings {
    Container container;
    int width, height;
    int64_t fpsNum, fpsDen;
    double crf;
    int qp;  // a constant quantiser in place of crf when 0 or more
    std::string preset;
};

// Opens path for writing (the caller names the temporary file). Once
// interrupted() returns true, every write fails, so even the final rewrite of
// the file stops at once. Null and one line in error on failure.
Encoder* openEncoder(const char* path, const EncoderSettings& settings, bool (*interrupted)(), std::string* error);
// A picture buffer in the encoder's format, for the caller to fill with
// convertPicture and hand back with encodePicture. Null when out of memory.
AVFrame* allocPicture(const Encoder* encoder);
void freePicture(AVFrame** picture);

// Converts RGBA rows (alpha ignored) into picture, in bands of rows on the
// render threads (render/workers.h); picture must be writable.
struct PictureConverter;
PictureConverter* openConverter(int width, int height);
bool convertPicture(PictureConverter* converter, const uint8_t* rgba, int stride, AVFrame* picture);
void closeConverter(PictureConverter** converter);

// Frame `index` (0 = the first of the file). False and error set on failure.
bool encodePicture(Encoder* encoder, AVFrame* picture, int64_t index);
// Interleaved stereo 16-bit samples at 44.1 kHz, in order.
bool encodeSound(Encoder* encoder, const int16_t* samples, int frames);
// Flushes both encoders and writes the trailer; false and error set on failure.
bool finishEncoder(Encoder* encoder);
// Frees everything; the file is closed (complete only after finishEncoder).
void closeEncoder(Encoder** encoder);
// The last library error, one line.
const std::string& encoderError(const Encoder* encoder);
