// The warning picture set in type and split into its three channels.
#include "tools/make_picture/picture.h"

#include "tools/make_picture/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

// Everything that matters stays inside the 64-pixel frame, where every grid
// size shows it; the frame itself is black but for the glow's fringe.
constexpr int MARGIN = 64;
constexpr int CREDITS_LEFT = 452;  // the credits column, right of a thin rule
constexpr int RULE_X = 432;

// The halo colour: strong in blue and green, weak in red.
constexpr float GLOW_RED = 0.16f, GLOW_GREEN = 0.72f, GLOW_BLUE = 1.0f;
constexpr float GLOW_SIGMA = 5.0f;
constexpr float GLOW_GAIN = 2.2f;

static const char* const BODY[] = {
    "This show contains flashing lights, fast",
    "cuts and high-contrast patterns. A few",
    "people may have a seizure when they see",
    "such images, even with no past history",
    "of epilepsy.",
    "",
    "Stop watching at once if you feel dizzy",
    "or notice twitching, blurred vision or",
    "any loss of awareness, and see a doctor.",
    "",
    "Sit well back from the screen, watch in",
    "a well-lit room and rest when tired.",
};

struct Credit {
    const char* role;
    const char* name;
};
static const Credit CREDITS[] = {{"audio", "tinmoth"}, {"video", "orbitfern"}, {"details", "quillwort"}};

// Separable Gaussian blur, edges taken as black.
static Layer blurred(const Layer& in, float sigma) {
    const int radius = static_cast<int>(std::ceil(sigma * 3.0f));
    std::vector<float> kernel(static_cast<size_t>(2 * radius + 1));
    float sum = 0.0f;
    for (int i = -radius; i <= radius; ++i) {
        kernel[static_cast<size_t>(i + radius)] = std::exp(-0.5f * float(i * i) / (sigma * sigma));
        sum += kernel[static_cast<size_t>(i + radius)];
    }
    for (float& k : kernel) k /= sum;

    Layer across = makeLayer(in.width, in.height), out = makeLayer(in.width, in.height);
    auto at = [&](const Layer& l, int x, int y) { return l.value[static_cast<size_t>(y) * static_cast<size_t>(l.width) + static_cast<size_t>(x)]; };
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x) {
            float v = 0.0f;
            for (int i = -radius; i <= radius; ++i)
                if (x + i >= 0 && x + i < in.width) v += kernel[static_cast<size_t>(i + radius)] * at(in, x + i, y);
            across.value[static_cast<size_t>(y) * static_cast<size_t>(in.width) + static_cast<size_t>(x)] = v;
        }
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x) {
            float v = 0.0f;
            for (int i = -radius; i <= radius; ++i)
                if (y + i >= 0 && y + i < in.height) v += kernel[static_cast<size_t>(i + radius)] * at(across, x, y + i);
            out.value[static_cast<size_t>(y) * static_cast<size_t>(in.width) + static_cast<size_t>(x)] = v;
        }
    return out;
}

// Draws the line into the white layer at full level and into the glow source at glow.
static void setLine(Layer& white, Layer& glow, TextStyle style, float glowLevel, int x, int y, const char* text) {
    drawText(white, style, x, y, text);
    style.level = glowLevel;
    drawText(glow, style, x, y, text);
}

static int centred(const TextStyle& style, const char* text, int left, int right) {
    return (left + right - measureText(style, text)) / 2;
}

static bool loadFace(FT_Library library, const char* fontDir, const char* file, FT_Face* face) {
    std::string path = std::string(fontDir) + "/" + file;
    if (FT_New_Face(library, path.c_str(), 0, face) != 0) {
        std::fprintf(stderr, "make_picture: cannot load font %s\n", path.c_str());
        return false;
    }
    return true;
}

static void setPicture(Layer& white, Layer& glow, FT_Face sans, FT_Face bold) {
    const TextStyle headline{bold, 50, 1.0f};
    const TextStyle subtitle{sans, 19, 1.0f};
    const TextStyle body{sans, 15, 1.0f};
    const TextStyle footer{sans, 13, 0.75f};
    const TextStyle label{sans, 13, 0.7f};
    const TextStyle name{bold, 16, 1.0f};
    const TextStyle title{bold, 18, 1.0f};

    const int right = PICTURE_WIDTH - MARGIN;
    const char* warning = "WARNING";
    setLine(white, glow, headline, 1.0f, centred(headline, warning, MARGIN, right), 116, warning);
    const char* about = "photosensitive seizures";
    setLine(white, glow, subtitle, 0.55f, centred(subtitle, about, MARGIN, right), 146, about);

    int y = 186;
    for (const char* line : BODY) {
        if (*line) setLine(white, glow, body, 0.35f, MARGIN, y, line);
        y += *line ? 19 : 10;
    }
    setLine(white, glow, footer, 0.3f, MARGIN, 408, "Click to begin, or the show starts by itself.");

    // A thin glowing rule between the warning and the credits.
    for (int ry = 172; ry <= 396; ++ry) {
        white.value[static_cast<size_t>(ry) * PICTURE_WIDTH + RULE_X] = 0.35f;
        glow.value[static_cast<size_t>(ry) * PICTURE_WIDTH + RULE_X] = 0.9f;
    }

    const int creditsRight = right;
    setLine(white, glow, title, 0.6f, centred(title, "vortelan", CREDITS_LEFT, creditsRight), 196, "vortelan");
    setLine(white, glow, label, 0.25f, centred(label, "was made by", CREDITS_LEFT, creditsRight), 216, "was made by");
    y = 262;
    for (const Credit& credit : CREDITS) {
        std::string role = std::string(credit.role) + ":";
        setLine(white, glow, label, 0.25f, CREDITS_LEFT, y, role.c_str());
        setLine(white, glow, name, 0.5f, CREDITS_LEFT + 10, y + 20, credit.name);
        y += 52;
    }
}

static uint8_t toByte(float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

bool makeWarningPicture(WarningPicture& picture, const char* fontDir) {
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) {
        std::fprintf(stderr, "make_picture: cannot start FreeType\n");
        return false;
    }
    FT_Face sans = nullptr, bold = nullptr;
    bool ok = loadFace(library, fontDir, "DejaVuSans.ttf", &sans) && loadFace(library, fontDir, "DejaVuSans-Bold.ttf", &bold);
    if (ok) {
        Layer white = makeLayer(PICTURE_WIDTH, PICTURE_HEIGHT), source = makeLayer(PICTURE_WIDTH, PICTURE_HEIGHT);
        setPicture(white, source, sans, bold);
        const Layer glow = blurred(source, GLOW_SIGMA);
        const size_t count = white.value.size();
        picture.red.assign(count, 0);
        picture.green.assign(count, 0);
        picture.blue.assign(count, 0);
        for (size_t i = 0; i < count; ++i) {
            // Screen blend: the halo brightens the black, the text stays white on top.
            const float t = white.value[i], g = std::min(1.0f, glow.value[i] * GLOW_GAIN);
            picture.red[i] = toByte(1.0f - (1.0f - t) * (1.0f - g * GLOW_RED));
            picture.green[i] = toByte(1.0f - (1.0f - t) * (1.0f - g * GLOW_GREEN));
            picture.blue[i] = toByte(1.0f - (1.0f - t) * (1.0f - g * GLOW_BLUE));
        }
    }
    if (bold) FT_Done_Face(bold);
    if (sans) FT_Done_Face(sans);
    FT_Done_FreeType(library);
    return ok;
}
