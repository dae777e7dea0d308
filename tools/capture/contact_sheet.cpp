// The contact sheet: tiles chosen from the music plan, scaled, labelled, written as PNG.
#include "tools/capture/contact_sheet.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

#include "tools/make_picture/text.h"

extern "C" {
#include <libswscale/swscale.h>
}

#ifndef DEJAVU_DIR
#define DEJAVU_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace {
constexpr int THUMB_WIDTH = 320;
constexpr int COLUMNS = 6;
constexpr int GAP = 12;         // between tiles and around the sheet
constexpr int LABEL_HEIGHT = 26;
constexpr int TITLE_HEIGHT = 44;
constexpr uint8_t BACKGROUND = 24;
constexpr int64_t ENDING_SECONDS = 3;  // the ending has settled by then

struct Placed {
    SheetTile tile;
    int x, y;  // the thumbnail's top-left corner on the sheet
    bool taken;
};
}  // namespace

struct ContactSheet {
    OfflineClock clock;
    int frameHeight;
    int thumbWidth, thumbHeight;
    int width, height;
    std::vector<uint8_t> pixels;  // RGB
    std::vector<Placed> tiles;
    std::string title;
    SwsContext* shrink = nullptr;
    FT_Library fonts = nullptr;
    FT_Face sans = nullptr, bold = nullptr;
};

std::string showTimeText(const OfflineClock& clock, int64_t frame) {
    int64_t hundredths = frame * clock.fpsDen * 100 / clock.fpsNum;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%02lld", static_cast<long long>(hundredths / 6000),
                  static_cast<long long>(hundredths / 100 % 60), static_cast<long long>(hundredths % 100));
    return text;
}

std::vector<SheetTile> contactSheetTiles(const OfflineClock& clock, const OfflineMusicPlan& plan) {
    std::vector<SheetTile> tiles;
    int64_t firstShow = offlineFirstFrameAt(clock, clock.warningSamples);
    if (firstShow > 0) tiles.push_back(SheetTile{firstShow / 2, -1});
    std::vector<SheetTile> orders;
    for (int o = 0; o < OFFLINE_ORDERS; ++o)
        if (plan.orderFrame[o] >= 0) orders.push_back(SheetTile{plan.orderFrame[o], o});
    std::sort(orders.begin(), orders.end(), [](const SheetTile& a, const SheetTile& b) { return a.frame < b.frame; });
    for (size_t i = 0; i < orders.size(); ++i) {
        int64_t next = i + 1 < orders.size() ? orders[i + 1].frame : plan.endFrame;
        tiles.push_back(SheetTile{(orders[i].frame + next) / 2, orders[i].order});
    }
    int64_t ending = clock.warningSamples + plan.endSample + ENDING_SECONDS * OFFLINE_RATE;
    tiles.push_back(SheetTile{offlineFirstFrameAt(clock, ending), -2});
    return tiles;
}

ContactSheet* openContactSheet(int width, int height, const OfflineClock& clock, const std::vector<SheetTile>& tiles,
                               const std::string& title, std::string* error) {
    ContactSheet* s = new ContactSheet;
    s->clock = clock;
    s->title = title;
    s->frameHeight = height;
    s->thumbWidth = std::min(width, THUMB_WIDTH);
    s->thumbHeight = std::max(1, (height * s->thumbWidth + width / 2) / width);
    int columns = std::max(1, std::min(COLUMNS, int(tiles.size())));
    int rows = (int(tiles.size()) + columns - 1) / columns;
    s->width = GAP + columns * (s->thumbWidth + GAP);
    s->height = TITLE_HEIGHT + rows * (s->thumbHeight + LABEL_HEIGHT + GAP) + GAP;
    s->pixels.assign(size_t(s->width) * size_t(s->height) * 3, BACKGROUND);
    for (size_t i = 0; i < tiles.size(); ++i) {
        int column = int(i) % columns, row = int(i) / columns;
        s->tiles.push_back(Placed{tiles[i], GAP + column * (s->thumbWidth + GAP),
                                  TITLE_HEIGHT + row * (s->thumbHeight + LABEL_HEIGHT + GAP), false});
    }
    s->shrink = sws_getContext(width, height, AV_PIX_FMT_RGBA, s->thumbWidth, s->thumbHeight, AV_PIX_FMT_RGB24,
                               SWS_AREA, nullptr, nullptr, nullptr);
    if (!s->shrink) {
        *error = "the thumbnails cannot be set up";
        closeContactSheet(&s);
        return nullptr;
    }
    const std::string sans = DEJAVU_DIR "/DejaVuSans.ttf", bold = DEJAVU_DIR "/DejaVuSans-Bold.ttf";
    if (FT_Init_FreeType(&s->fonts) != 0 || FT_New_Face(s->fonts, sans.c_str(), 0, &s->sans) != 0 ||
        FT_New_Face(s->fonts, bold.c_str(), 0, &s->bold) != 0) {
        *error = "cannot load the fonts " + sans + " and " + bold + " (Debian package fonts-dejavu-core)";
        closeContactSheet(&s);
        return nullptr;
    }
    return s;
}

bool addToContactSheet(ContactSheet* s, int64_t frame, const uint8_t* rgba, int stride) {
    for (Placed& p : s->tiles) {
        if (p.tile.frame != frame) continue;
        const uint8_t* src[1] = {rgba};
        const int srcStride[1] = {stride};
        uint8_t* dst[1] = {s->pixels.data() + (size_t(p.y) * size_t(s->width) + size_t(p.x)) * 3};
        const int dstStride[1] = {s->width * 3};
        if (sws_scale(s->shrink, src, srcStride, 0, s->frameHeight, dst, dstStride) != s->thumbHeight) return false;
        p.taken = true;
    }
    return true;
}

namespace {
std::string tileLabel(const ContactSheet* s, const SheetTile& t) {
    std::string what = t.order == -1 ? "warning" : t.order == -2 ? "ending" : "order " + std::to_string(t.order);
    return what + "   " + showTimeText(s->clock, t.frame);
}

// Light text over the sheet, by coverage.
void paint(ContactSheet* s, const Layer& layer, const uint8_t colour[3]) {
    for (size_t i = 0; i < layer.value.size(); ++i) {
        float a = std::min(1.0f, layer.value[i]);
        if (a <= 0) continue;
        uint8_t* px = &s->pixels[i * 3];
        for (int c = 0; c < 3; ++c) px[c] = uint8_t(px[c] + (colour[c] - px[c]) * a + 0.5f);
    }
}
}  // namespace

bool finishContactSheet(ContactSheet* s, std::vector<uint8_t>* png, std::string* error) {
    for (const Placed& p : s->tiles) {
        if (!p.taken) {
            *error = "the contact sheet misses the frame of " + tileLabel(s, p.tile);
            return false;
        }
    }
    Layer labels = makeLayer(s->width, s->height);
    TextStyle label{s->sans, 15, 1.0f};
    for (const Placed& p : s->tiles) drawText(labels, label, p.x + 2, p.y + s->thumbHeight + 18, tileLabel(s, p.tile).c_str());
    static const uint8_t grey[3] = {210, 210, 210};
    paint(s, labels, grey);

    Layer title = makeLayer(s->width, s->height);
    TextStyle heading{s->bold, 22, 1.0f};
    drawText(title, heading, GAP + 2, 30, s->title.c_str());
    static const uint8_t white[3] = {250, 250, 250};
    paint(s, title, white);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(s->width);
    image.height = png_uint_32(s->height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    bool ok = png_image_write_get_memory_size(image, size, 0, s->pixels.data(), s->width * 3, nullptr);
    if (ok) {
        png->resize(size);
        ok = png_image_write_to_memory(&image, png->data(), &size, 0, s->pixels.data(), s->width * 3, nullptr);
        png->resize(size);
    }
    if (!ok) *error = std::string("the contact sheet cannot be made: ") + image.message;
    png_image_free(&image);
    return ok;
}

void closeContactSheet(ContactSheet** sheet) {
    ContactSheet* s = *sheet;
    if (!s) return;
    sws_freeContext(s->shrink);
    if (s->bold) FT_Done_Face(s->bold);
    if (s->sans) FT_Done_Face(s->sans);
    if (s->fonts) FT_Done_FreeType(s->fonts);
    delete s;
    *sheet = nullptr;
}
