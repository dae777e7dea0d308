// Makes the warning picture and writes it as three single-channel PCX files:
//   make_picture <output dir> [--png <preview.png>]
// writes <output dir>/warning_red.pcx, warning_green.pcx and warning_blue.pcx;
// the preview merges the three channels for looking at.
#include "render/png.h"
#include "tools/make_picture/pcx_write.h"
#include "tools/make_picture/picture.h"

#include <cstdio>
#include <cstring>
#include <string>

#ifndef DEJAVU_DIR
#define DEJAVU_DIR "/usr/share/fonts/truetype/dejavu"
#endif

// Writes the whole file or nothing: a half-written asset must not be embedded.
static bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "make_picture: cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0) ok = false;
    if (!ok) {
        std::remove(path.c_str());
        std::fprintf(stderr, "make_picture: cannot write %s\n", path.c_str());
    }
    return ok;
}

int main(int argc, char** argv) {
    const char* outDir = nullptr;
    const char* preview = nullptr;
    bool usable = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) preview = argv[++i];
        else if (!outDir && argv[i][0] != '-') outDir = argv[i];
        else usable = false;
    }
    if (!outDir || !usable) {
        std::fprintf(stderr, "usage: make_picture <output dir> [--png <preview.png>]\n");
        return 2;
    }

    WarningPicture picture;
    if (!makeWarningPicture(picture, DEJAVU_DIR)) return 1;

    const struct {
        const char* file;
        const std::vector<uint8_t>& channel;
    } outputs[] = {{"warning_red.pcx", picture.red}, {"warning_green.pcx", picture.green}, {"warning_blue.pcx", picture.blue}};
    for (const auto& output : outputs) {
        std::vector<uint8_t> pcx = encodePcxFile(output.channel.data(), PICTURE_WIDTH, PICTURE_HEIGHT, PICTURE_WIDTH);
        if (!writeFile(std::string(outDir) + "/" + output.file, pcx)) return 1;
        std::printf("make_picture: %s %zu bytes\n", output.file, pcx.size());
    }

    if (preview) {
        std::vector<uint8_t> rgb(static_cast<size_t>(PICTURE_WIDTH) * PICTURE_HEIGHT * 3);
        for (size_t i = 0; i < picture.red.size(); ++i) {
            rgb[3 * i] = picture.red[i];
            rgb[3 * i + 1] = picture.green[i];
            rgb[3 * i + 2] = picture.blue[i];
        }
        if (!writePng(preview, PICTURE_WIDTH, PICTURE_HEIGHT, 3, rgb.data(), PICTURE_WIDTH * 3)) {
            std::fprintf(stderr, "make_picture: cannot write %s\n", preview);
            return 1;
        }
    }
    return 0;
}
