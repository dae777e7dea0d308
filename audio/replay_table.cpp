// The recorded performance's file format: writing it at build time, reading
// and checking it wherever it is replayed.
#include "audio/replay_table.h"

#include <cstring>

namespace {
constexpr char MAGIC[8] = {'V', 'R', 'P', 'L', 'A', 'Y', '0', '1'};
constexpr int NOTES = 120;
constexpr int MAX_VOLUME = 64;

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

uint32_t get16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }
uint32_t get32(const uint8_t* p) { return get16(p) | get16(p + 2) << 16; }

bool fail(std::string* error, const std::string& why, ReplayTable* table) {
    *table = ReplayTable{};
    if (error) *error = why;
    return false;
}
}  // namespace

uint32_t replayModuleHash(const uint8_t* data, size_t size) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
    return h;
}

std::vector<uint8_t> writeReplayTable(const ReplayTable& table) {
    std::vector<uint8_t> out(MAGIC, MAGIC + sizeof MAGIC);
    put32(out, table.rate);
    put32(out, table.moduleSize);
    put32(out, table.moduleHash);
    put32(out, table.endFrame);
    put32(out, static_cast<uint32_t>(table.rows.size()));
    put32(out, static_cast<uint32_t>(table.hits.size()));
    for (const ReplayRow& r : table.rows) {
        put32(out, r.frame);
        put16(out, r.order);
        put16(out, r.row);
    }
    for (const ReplayHit& h : table.hits) {
        put32(out, h.frame);
        out.push_back(h.instrument);
        out.push_back(h.note);
        out.push_back(h.volume);
        out.push_back(0);
    }
    return out;
}

bool readReplayTable(const uint8_t* data, size_t size, ReplayTable* table, std::string* error) {
    *table = ReplayTable{};
    if (!data || size < REPLAY_HEADER_SIZE || std::memcmp(data, MAGIC, sizeof MAGIC) != 0)
        return fail(error, "not a recorded performance", table);
    ReplayTable t;
    t.rate = get32(data + 8);
    t.moduleSize = get32(data + 12);
    t.moduleHash = get32(data + 16);
    t.endFrame = get32(data + 20);
    uint64_t rows = get32(data + 24), hits = get32(data + 28);
    if (size != REPLAY_HEADER_SIZE + rows * REPLAY_ROW_SIZE + hits * REPLAY_HIT_SIZE)
        return fail(error, "its length does not match its counts", table);
    if (t.rate == 0) return fail(error, "its rate is 0", table);
    if (rows == 0) return fail(error, "it has no rows", table);

    const uint8_t* p = data + REPLAY_HEADER_SIZE;
    t.rows.resize(rows);
    for (uint64_t i = 0; i < rows; ++i, p += REPLAY_ROW_SIZE) {
        ReplayRow& r = t.rows[i];
        r.frame = get32(p);
        r.order = static_cast<uint16_t>(get16(p + 4));
        r.row = static_cast<uint16_t>(get16(p + 6));
        if (i == 0 ? r.frame != 0 : r.frame <= t.rows[i - 1].frame)
            return fail(error, "row " + std::to_string(i) + " does not start after the one before", table);
    }
    if (t.endFrame < t.rows.back().frame) return fail(error, "the song ends before its last row", table);

    t.hits.resize(hits);
    size_t row = 0;
    for (uint64_t i = 0; i < hits; ++i, p += REPLAY_HIT_SIZE) {
        ReplayHit& h = t.hits[i];
        h.frame = get32(p);
        h.instrument = p[4];
        h.note = p[5];
        h.volume = p[6];
        while (row < t.rows.size() && t.rows[row].frame < h.frame) ++row;
        if (row == t.rows.size() || t.rows[row].frame != h.frame)
            return fail(error, "hit " + std::to_string(i) + " is not on the first frame of a row in order", table);
        if (h.instrument == 0 || h.note >= NOTES || h.volume > MAX_VOLUME || p[7] != 0)
            return fail(error, "hit " + std::to_string(i) + " names no instrument, note or volume", table);
    }
    *table = std::move(t);
    return true;
}
