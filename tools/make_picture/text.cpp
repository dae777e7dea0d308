// Text set in DejaVu through FreeType, for the generated pictures.
#include "tools/make_picture/text.h"

#include <algorithm>

Layer makeLayer(int width, int height) {
    return Layer{width, height, std::vector<float>(static_cast<size_t>(width) * static_cast<size_t>(height), 0.0f)};
}

// Walks the line glyph by glyph; visit gets each rendered glyph and its pen position.
template <typename Visit>
static void walkText(const TextStyle& style, const char* text, Visit visit) {
    FT_Face face = style.face;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(style.pixelSize));
    long pen = 0;  // 26.6 fixed point
    FT_UInt previous = 0;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) {
        FT_UInt glyph = FT_Get_Char_Index(face, *c);
        if (previous && glyph && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kern) == 0) pen += kern.x;
        }
        if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) == 0) {
            visit(face->glyph, static_cast<int>((pen + 32) >> 6));
            pen += face->glyph->advance.x;
        }
        previous = glyph;
    }
    visit(nullptr, static_cast<int>((pen + 32) >> 6));
}

int measureText(const TextStyle& style, const char* text) {
    int width = 0;
    walkText(style, text, [&](FT_GlyphSlot slot, int pen) {
        if (!slot) width = pen;
    });
    return width;
}

void drawText(Layer& layer, const TextStyle& style, int x, int y, const char* text) {
    walkText(style, text, [&](FT_GlyphSlot slot, int pen) {
        if (!slot) return;
        const FT_Bitmap& bitmap = slot->bitmap;
        const int left = x + pen + slot->bitmap_left;
        const int top = y - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int py = top + static_cast<int>(row);
            if (py < 0 || py >= layer.height) continue;
            const unsigned char* src = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
            for (unsigned col = 0; col < bitmap.width; ++col) {
                const int px = left + static_cast<int>(col);
                if (px < 0 || px >= layer.width) continue;
                float& dst = layer.value[static_cast<size_t>(py) * static_cast<size_t>(layer.width) + static_cast<size_t>(px)];
                dst = std::max(dst, src[col] / 255.0f * style.level);
            }
        }
    });
}
