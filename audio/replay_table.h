#pragma once
// A recorded performance of a module: what the module player heard when it
// played the song once from the start, frame by frame. The first frame of
// every row with its order and row, every cell that played an instrument at a
// note with the volume it reported, and the frame at which the song ended.
// A player that cannot decode the module (the browser's) replays it and
// answers positions and fires syncs at exactly the frames the real one does.
//
// On disk, all little-endian: the magic "VRPLAY01", then u32 rate, module
// size, module hash (FNV-1a), end frame, row count, hit count; then the rows
// (u32 frame, u16 order, u16 row) and the hits (u32 frame, u8 instrument,
// u8 note, u8 volume, u8 0), both in the order they were heard.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ReplayRow {
    uint32_t frame;  // the row's first frame since the start of playback
    uint16_t order;
    uint16_t row;
};

// One cell that played an instrument at a note, in the order the player
// reported it within its row; its frame is the row's first frame.
struct ReplayHit {
    uint32_t frame;
    uint8_t instrument;  // 1-based
    uint8_t note;        // IT note 0-119
    uint8_t volume;      // 0-64
};

struct ReplayTable {
    uint32_t rate = 0;        // frames per second
    uint32_t moduleSize = 0;  // the module it was recorded from
    uint32_t moduleHash = 0;
    uint32_t endFrame = 0;    // the song's length: its end sync fires here
    std::vector<ReplayRow> rows;
    std::vector<ReplayHit> hits;
};

constexpr size_t REPLAY_HEADER_SIZE = 32;
constexpr size_t REPLAY_ROW_SIZE = 8;
constexpr size_t REPLAY_HIT_SIZE = 8;

// FNV-1a over the bytes: names the module a table was made from.
uint32_t replayModuleHash(const uint8_t* data, size_t size);

std::vector<uint8_t> writeReplayTable(const ReplayTable& table);
// Reads and checks a table: the magic, the counts against the size, rows in
// strictly rising frames starting at 0, hits on the frames of rows in rising
// order, instruments, notes and volumes in range, the end not before the last
// row. False with the reason in error (table left empty) otherwise.
bool readReplayTable(const uint8_t* data, size_t size, ReplayTable* table, std::string* error);
