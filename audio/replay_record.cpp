// Records a performance through the module player's own interface: the syncs
// say which cells played and on which frame; a change of position between
// two frames says where a row without such cells began.
#include "audio/replay_record.h"

#include <cstring>

#include "audio/player.h"

namespace {
constexpr int64_t LONGEST_SECONDS = 3600;  // a song that plays longer is taken as endless
constexpr size_t IT_HEADER = 0xC0;
constexpr uint16_t IT_INSTRUMENT_MODE = 1 << 2;
constexpr uint32_t END_USER = 0;  // instrument syncs carry their instrument, 1 and up

// What the sync procedure writes to; one recording at a time.
struct Recording {
    ReplayTable* table;
    std::string failure;
};
Recording* recording = nullptr;

void fail(const std::string& why) {
    if (recording->failure.empty()) recording->failure = why;
}

// The row a sync arrives on is the row audible now.
void recordRow(int64_t frame) {
    ReplayTable& t = *recording->table;
    uint32_t position = playerGetPosition();
    ReplayRow row{static_cast<uint32_t>(frame), static_cast<uint16_t>(position & 0xFFFF),
                  static_cast<uint16_t>(position >> 16)};
    if (!t.rows.empty() && t.rows.back().frame >= row.frame) {
        const ReplayRow& last = t.rows.back();
        if (last.frame > row.frame || last.order != row.order || last.row != row.row)
            fail("two rows began on frame " + std::to_string(frame));
        return;
    }
    t.rows.push_back(row);
}

void onSync(uint32_t, uint32_t data, uint32_t user) {
    ReplayTable& t = *recording->table;
    int64_t frame = playerAudibleFrame();
    if (user == END_USER) {
        if (t.endFrame != 0) fail("the song ended twice");
        t.endFrame = static_cast<uint32_t>(frame);
        return;
    }
    recordRow(frame);
    t.hits.push_back(ReplayHit{static_cast<uint32_t>(frame), static_cast<uint8_t>(user),
                               static_cast<uint8_t>(data & 0xFFFF), static_cast<uint8_t>(data >> 16)});
}

// Instruments (or samples, without instrument mode) that cells can name; -1
// when this is no IT module.
int instrumentCount(const std::vector<uint8_t>& m) {
    if (m.size() < IT_HEADER || std::memcmp(m.data(), "IMPM", 4) != 0) return -1;
    int instruments = m[0x22] | m[0x23] << 8, samples = m[0x24] | m[0x25] << 8;
    int flags = m[0x2C] | m[0x2D] << 8;
    return (flags & IT_INSTRUMENT_MODE) ? instruments : samples;
}
}  // namespace

bool recordPerformance(const std::vector<uint8_t>& module, uint32_t rate, ReplayTable* table,
                       std::vector<int16_t>* sound, std::string* error) {
    *table = ReplayTable{};
    if (sound) sound->clear();
    int instruments = instrumentCount(module);
    // One sync per instrument and one for the end must fit the player's table.
    if (instruments < 0 || instruments > PLAYER_MAX_SYNCS - 1) {
        *error = "not an IT module of at most " + std::to_string(PLAYER_MAX_SYNCS - 1) + " instruments";
        return false;
    }
    if (!playerInit(PLAYER_DEVICE_OFFLINE, rate, 0)) {
        *error = "the player cannot be opened offline";
        return false;
    }
    if (!playerMusicLoad(1, module.data(), 0, static_cast<uint32_t>(module.size()), 0)) {
        playerFree();
        *error = "the player cannot load the module";
        return false;
    }
    Recording rec{table, ""};
    recording = &rec;
    for (int i = 1; i <= instruments; ++i)
        playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | static_cast<uint32_t>(i), onSync,
                      static_cast<uint32_t>(i));
    playerSetSync(PLAYER_SYNC_END, 0, onSync, END_USER);
    table->rate = rate;
    table->moduleSize = static_cast<uint32_t>(module.size());
    table->moduleHash = replayModuleHash(module.data(), module.size());

    // A frame at a time, so that every change of position is seen on the
    // frame its row begins; the first row fires before any frame is played.
    playerPlay(0, 0, 1);
    playerOfflineRender(nullptr, 0);
    recordRow(0);
    int64_t songFrames = 0;
    const int64_t longest = LONGEST_SECONDS * rate;
    uint32_t position = playerGetPosition();
    while (table->endFrame == 0 && songFrames < longest && rec.failure.empty()) {
        int16_t frame[2];
        if (playerOfflineRender(frame, 1) == 1) {
            ++songFrames;
            if (sound) sound->insert(sound->end(), frame, frame + 2);
        } else if (table->endFrame == 0) {
            fail("the song's sound ended without its end");
        }
        if (playerGetPosition() != position) {
            position = playerGetPosition();
            recordRow(playerAudibleFrame());
        }
    }
    playerMusicFree();
    playerFree();
    recording = nullptr;
    if (rec.failure.empty() && table->endFrame == 0) rec.failure = "the song did not end within an hour";
    if (rec.failure.empty() && table->endFrame != songFrames)
        rec.failure = "the end sync and the song's sound disagree on its length";
    std::vector<uint8_t> bytes = writeReplayTable(*table);
    ReplayTable check;
    if (rec.failure.empty()) readReplayTable(bytes.data(), bytes.size(), &check, &rec.failure);
    if (!rec.failure.empty()) {
        *table = ReplayTable{};
        if (sound) sound->clear();
        *error = rec.failure;
        return false;
    }
    return true;
}
