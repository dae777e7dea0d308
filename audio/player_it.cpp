// Impulse Tracker header reader: which sample each instrument plays for each
// note, and that sample's default volume. libopenmpt keeps both to itself, and
// an instrument sync reports the volume a note starts at when its cell has no
// volume of its own. Every read is checked against the module's length; a
// header that does not fit leaves its instrument silent (volume 0).
#include "audio/player.h"

#include <cstring>

namespace {
constexpr size_t HEADER_SIZE = 0xC0;
constexpr size_t KEYBOARD_OFFSET = 0x40;              // in an instrument header, old and new format
constexpr size_t KEYBOARD_END = KEYBOARD_OFFSET + 2 * PLAYER_NOTES;
constexpr size_t SAMPLE_VOLUME_OFFSET = 0x13;         // in a sample header
constexpr uint16_t FLAG_INSTRUMENTS = 1 << 2;

uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// True when [offset, offset + need) lies inside the file and starts with magic.
bool blockAt(const uint8_t* data, size_t size, uint32_t offset, size_t need, const char* magic) {
    if (offset > size || size - offset < need) return false;
    return std::memcmp(data + offset, magic, 4) == 0;
}
}  // namespace

bool readItSampleVolumes(const uint8_t* data, size_t size, ItVolumeTable* table) {
    if (!table) return false;
    std::memset(table->volume, 0, sizeof table->volume);
    if (!data || size < HEADER_SIZE || std::memcmp(data, "IMPM", 4) != 0) return false;

    const size_t orders = read16(data + 0x20);
    const size_t instruments = read16(data + 0x22);
    const size_t samples = read16(data + 0x24);
    const bool instrumentMode = (read16(data + 0x2C) & FLAG_INSTRUMENTS) != 0;
    const size_t instrumentTable = HEADER_SIZE + orders;
    const size_t sampleTable = instrumentTable + 4 * instruments;
    if (sampleTable + 4 * samples > size) return false;

    // Default volume of every sample a cell or keyboard can name (1-based).
    uint8_t sampleVolume[PLAYER_MAX_INSTRUMENTS + 1] = {};
    for (size_t s = 1; s <= samples && s <= PLAYER_MAX_INSTRUMENTS; ++s) {
        uint32_t offset = read32(data + sampleTable + 4 * (s - 1));
        if (!blockAt(data, size, offset, SAMPLE_VOLUME_OFFSET + 1, "IMPS")) continue;
        uint8_t v = data[offset + SAMPLE_VOLUME_OFFSET];
        sampleVolume[s] = v > 64 ? 64 : v;
    }

    if (!instrumentMode) {
        // Cells name samples directly, at every note.
        for (size_t s = 1; s <= PLAYER_MAX_INSTRUMENTS; ++s)
            std::memset(table->volume[s], sampleVolume[s], PLAYER_NOTES);
        return true;
    }
    for (size_t i = 1; i <= instruments && i <= PLAYER_MAX_INSTRUMENTS; ++i) {
        uint32_t offset = read32(data + instrumentTable + 4 * (i - 1));
        if (!blockAt(data, size, offset, KEYBOARD_END, "IMPI")) continue;
        const uint8_t* keyboard = data + offset + KEYBOARD_OFFSET;
        for (int n = 0; n < PLAYER_NOTES; ++n) {
            uint8_t sample = keyboard[2 * n + 1];  // pairs of (played note, sample)
            table->volume[i][n] = sample <= samples ? sampleVolume[sample] : 0;
        }
    }
    return true;
}
