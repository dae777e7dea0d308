// The replay of a recorded performance: rows fired in order as the audible
// frame passes their first frames, each row's cells matched against the syncs
// as the module player matches them (instrument, then note or any note, syncs
// in the order they were set), the end sync after the last row.
#include "audio/replay.h"

#include <algorithm>
#include <string>

namespace {
void callSync(Replay* r, int index, uint32_t data) {
    const ReplaySync& s = r->syncs[index];
    r->insideSync = true;
    s.proc(static_cast<uint32_t>(index + 1), data, s.user);
    r->insideSync = false;
    if (r->observer) r->observer(r->audible, s.user, data);
}

void fireRow(Replay* r, const ReplayRow& row) {
    r->position = static_cast<uint32_t>(row.order) | static_cast<uint32_t>(row.row) << 16;
    const std::vector<ReplayHit>& hits = r->table.hits;
    for (; r->nextHit < hits.size() && hits[r->nextHit].frame == row.frame; ++r->nextHit) {
        const ReplayHit& h = hits[r->nextHit];
        uint32_t data = h.note | static_cast<uint32_t>(h.volume) << 16;
        for (int s = 0; s < r->syncCount; ++s) {
            const ReplaySync& sync = r->syncs[s];
            if (sync.type != PLAYER_SYNC_INSTRUMENT || (sync.param & 0xFFFF) != h.instrument) continue;
            uint32_t note = sync.param >> 16;
            if (note == PLAYER_ANY_NOTE || note == h.note) callSync(r, s, data);
        }
    }
}
}  // namespace

bool replayLoad(Replay* r, const uint8_t* data, size_t size) {
    if (r->insideSync) return false;
    replayFree(r);
    std::string error;
    r->loaded = readReplayTable(data, size, &r->table, &error);
    return r->loaded;
}

uint32_t replaySetSync(Replay* r, uint32_t type, uint32_t param, PlayerSyncProc proc, uint32_t user) {
    if (!r->loaded || !proc || (type != PLAYER_SYNC_INSTRUMENT && type != PLAYER_SYNC_END)) return 0;
    if (r->syncCount == PLAYER_MAX_SYNCS) return 0;
    r->syncs[r->syncCount++] = ReplaySync{type, param, proc, user};
    return static_cast<uint32_t>(r->syncCount);
}

bool replayPlay(Replay* r) {
    if (r->insideSync || !r->loaded) return false;
    r->playing = true;
    r->audible = 0;
    r->nextRow = 0;
    r->nextHit = 0;
    r->endFired = false;
    r->position = 0;
    return true;
}

void replayAdvanceTo(Replay* r, int64_t frame) {
    if (r->insideSync || !r->playing) return;
    const int64_t target = std::max(r->audible, frame);
    // Each row's syncs see the audible frame at the row's first frame, as
    // offline, where playback stops there to fire them.
    const std::vector<ReplayRow>& rows = r->table.rows;
    while (r->nextRow < rows.size() && rows[r->nextRow].frame <= target) {
        r->audible = std::max<int64_t>(r->audible, rows[r->nextRow].frame);
        fireRow(r, rows[r->nextRow++]);
    }
    if (!r->endFired && r->nextRow == rows.size() && r->table.endFrame <= target) {
        r->audible = std::max<int64_t>(r->audible, r->table.endFrame);
        r->endFired = true;
        for (int s = 0; s < r->syncCount; ++s)
            if (r->syncs[s].type == PLAYER_SYNC_END) callSync(r, s, 0);
    }
    r->audible = target;
}

uint32_t replaySongFrames(const Replay* r, int64_t from, uint32_t frames) {
    int64_t left = static_cast<int64_t>(r->table.endFrame) - from;
    return static_cast<uint32_t>(std::clamp<int64_t>(left, 0, frames));
}

int64_t replayOrderFrame(const Replay* r, uint32_t order) {
    for (const ReplayRow& row : r->table.rows)
        if (row.order == order) return row.frame;
    return -1;
}

void replayStop(Replay* r) {
    if (r->insideSync) return;
    r->playing = false;
}

void replayFree(Replay* r) {
    if (r->insideSync) return;
    r->table = ReplayTable{};
    r->loaded = false;
    r->syncCount = 0;
    r->playing = false;
    r->audible = 0;
    r->nextRow = 0;
    r->nextHit = 0;
    r->endFired = false;
    r->position = 0;
}
