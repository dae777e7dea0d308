// The recorded performance and its replay: the table's checks, and the replay
// against the module player itself, sync for sync and position for position,
// over the show's own song and the player tests' timing song (breaks, tempo
// changes, note-specific syncs).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "audio/player.h"
#include "audio/replay.h"
#include "audio/replay_record.h"
#include "tests/player_modules.h"

namespace {
constexpr uint32_t RATE = 44100;
constexpr uint32_t END = 255;

// One line per sync and per step: what a listener of the player sees.
std::string log;
uint32_t (*position)() = nullptr;
int64_t (*audible)() = nullptr;

void listen(uint32_t handle, uint32_t data, uint32_t user) {
    log += "sync " + std::to_string(handle) + " " + std::to_string(user) + " " + std::to_string(data) + " at " +
           std::to_string(audible()) + " pos " + std::to_string(position()) + "\n";
}

// The show's syncs, a note-specific one and one on an instrument the timing
// song does not have.
void setSyncs(uint32_t (*setSync)(uint32_t, uint32_t, PlayerSyncProc, uint32_t)) {
    for (uint32_t i : {1u, 2u, 3u, 4u, 5u, 6u, 8u, 10u, 11u, 13u}) setSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | i, listen, i);
    setSync(PLAYER_SYNC_INSTRUMENT, 62u << 16 | 2, listen, 100);
    setSync(PLAYER_SYNC_END, 0, listen, END);
}

const uint32_t STEPS[] = {0, 1, 5, 881, 1, 1, 2000, 37, 4096, 3, 735, 735, 734};

// One side, player or replay, in uneven steps to the song's end and a second
// past it: `render` plays n frames and returns how many of them were song.
std::string stepLog(uint32_t (*render)(uint32_t n)) {
    bool ended = false;
    for (size_t i = 0; !ended; ++i) {
        uint32_t n = STEPS[i % std::size(STEPS)];
        uint32_t song = render(n);
        log += "step " + std::to_string(n) + " song " + std::to_string(song) + " pos " + std::to_string(position()) + "\n";
        ended = n > 0 && song < n;
    }
    render(RATE);
    log += "after pos " + std::to_string(position()) + "\n";
    return log;
}

std::string playerLog(const std::vector<uint8_t>& module) {
    log.clear();
    position = playerGetPosition;
    audible = playerAudibleFrame;
    EXPECT_EQ(playerInit(PLAYER_DEVICE_OFFLINE, RATE, 0), 1);
    EXPECT_EQ(playerMusicLoad(1, module.data(), 0, uint32_t(module.size()), 0), 1);
    setSyncs(playerSetSync);
    EXPECT_EQ(playerPlay(0, 0, 1), 1);
    stepLog([](uint32_t n) { return playerOfflineRender(nullptr, n); });
    playerFree();
    return log;
}

Replay replay;
uint32_t replayPosition() { return replay.position; }
int64_t replayAudible() { return replay.audible; }
uint32_t replaySet(uint32_t type, uint32_t param, PlayerSyncProc proc, uint32_t user) {
    return replaySetSync(&replay, type, param, proc, user);
}

std::string replayLog(const ReplayTable& table) {
    log.clear();
    position = replayPosition;
    audible = replayAudible;
    std::vector<uint8_t> bytes = writeReplayTable(table);
    EXPECT_TRUE(replayLoad(&replay, bytes.data(), bytes.size()));
    setSyncs(replaySet);
    EXPECT_TRUE(replayPlay(&replay));
    stepLog([](uint32_t n) {
        uint32_t song = replaySongFrames(&replay, replay.audible, n);
        replayAdvanceTo(&replay, replay.audible + n);
        return song;
    });
    replayFree(&replay);
    return log;
}

void expectSameLines(const std::string& want, const std::string& got) {
    size_t a = 0, b = 0;
    for (int line = 1; a < want.size() || b < got.size(); ++line) {
        size_t ea = want.find('\n', a), eb = got.find('\n', b);
        std::string wa = want.substr(a, ea - a), gb = got.substr(b, eb - b);
        ASSERT_EQ(wa, gb) << "line " << line;
        a = ea == std::string::npos ? want.size() : ea + 1;
        b = eb == std::string::npos ? got.size() : eb + 1;
    }
}
}  // namespace

TEST(Replay, FiresWhatThePlayerFiresFrameForFrame) {
    const std::vector<uint8_t> show(musicModule, musicModule + musicModuleSize);
    for (const std::vector<uint8_t>& module : {timingSong(), show}) {
        ReplayTable table;
        std::vector<int16_t> sound;
        std::string error;
        ASSERT_TRUE(recordPerformance(module, RATE, &table, &sound, &error)) << error;
        EXPECT_EQ(sound.size(), 2u * table.endFrame);
        EXPECT_EQ(table.moduleHash, replayModuleHash(module.data(), module.size()));
        const std::string want = playerLog(module);
        expectSameLines(want, replayLog(table));
        // Both hear every row and the end.
        EXPECT_NE(want.find(" 255 0 at " + std::to_string(table.endFrame)), std::string::npos);
    }
}

TEST(Replay, OrderFramesAndCallsOutOfTurn) {
    ReplayTable table;
    std::string error;
    ASSERT_TRUE(recordPerformance(timingSong(), RATE, &table, nullptr, &error)) << error;
    std::vector<uint8_t> bytes = writeReplayTable(table);
    Replay r;
    EXPECT_EQ(replaySetSync(&r, PLAYER_SYNC_END, 0, listen, END), 0u);  // nothing loaded
    EXPECT_FALSE(replayPlay(&r));
    ASSERT_TRUE(replayLoad(&r, bytes.data(), bytes.size()));
    EXPECT_EQ(replaySetSync(&r, 3, 0, listen, END), 0u);  // no such type
    EXPECT_EQ(replaySetSync(&r, PLAYER_SYNC_END, 0, nullptr, END), 0u);
    // Order 1 follows the 16 rows of order 0; order 2 starts at its row 2.
    EXPECT_EQ(replayOrderFrame(&r, 0), 0);
    EXPECT_EQ(replayOrderFrame(&r, 1), int64_t(table.rows[16].frame));
    EXPECT_EQ(table.rows[20].order, 2);
    EXPECT_EQ(table.rows[20].row, 2);
    EXPECT_EQ(replayOrderFrame(&r, 3), -1);

    // The end fires once however often it is passed, and going back fires nothing.
    static int ends;
    ends = 0;
    static Replay* inside;
    inside = &r;
    PlayerSyncProc onEnd = [](uint32_t, uint32_t, uint32_t) {
        ++ends;
        // From inside a sync nothing can be replaced, stopped or restarted.
        EXPECT_FALSE(replayPlay(inside));
        EXPECT_FALSE(replayLoad(inside, nullptr, 0));
        replayStop(inside);
        replayFree(inside);
    };
    EXPECT_EQ(replaySetSync(&r, PLAYER_SYNC_END, 0, onEnd, END), 1u);
    ASSERT_TRUE(replayPlay(&r));
    replayAdvanceTo(&r, table.endFrame - 1);
    EXPECT_EQ(ends, 0);
    replayAdvanceTo(&r, table.endFrame);
    replayAdvanceTo(&r, 0);
    replayAdvanceTo(&r, int64_t(table.endFrame) * 2);
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(r.loaded && r.playing);
    EXPECT_EQ(r.audible, int64_t(table.endFrame) * 2);
    EXPECT_EQ(replaySongFrames(&r, table.endFrame - 10, 100), 10u);
    EXPECT_EQ(replaySongFrames(&r, table.endFrame + 10, 100), 0u);
    // Not a table: nothing loaded, no syncs kept.
    EXPECT_FALSE(replayLoad(&r, musicModule, musicModuleSize));
    EXPECT_FALSE(r.loaded);
    EXPECT_EQ(r.syncCount, 0);
}

TEST(ReplayTable, ChecksEveryPartOfTheFile) {
    ReplayTable t;
    t.rate = RATE;
    t.moduleSize = 3;
    t.moduleHash = replayModuleHash(reinterpret_cast<const uint8_t*>("abc"), 3);
    t.endFrame = 9000;
    t.rows = {{0, 0, 0}, {100, 0, 1}, {250, 1, 0}};
    t.hits = {{0, 1, 60, 64}, {0, 2, 0, 0}, {250, 13, 119, 20}};
    const std::vector<uint8_t> good = writeReplayTable(t);
    ASSERT_EQ(good.size(), REPLAY_HEADER_SIZE + 3 * REPLAY_ROW_SIZE + 3 * REPLAY_HIT_SIZE);
    ReplayTable back;
    std::string error;
    ASSERT_TRUE(readReplayTable(good.data(), good.size(), &back, &error)) << error;
    EXPECT_EQ(writeReplayTable(back), good);
    EXPECT_EQ(back.moduleHash, 0x1A47E90Bu);  // FNV-1a of "abc"

    const size_t row = REPLAY_HEADER_SIZE, hit = row + 3 * REPLAY_ROW_SIZE;
    const struct {
        const char* what;
        size_t offset;  // byte to set; SIZE_MAX: cut the last byte instead
        uint8_t value;
        const char* error;
    } cases[] = {
        {"magic", 0, 'W', "not a recorded performance"},
        {"length", SIZE_MAX, 0, "its length does not match its counts"},
        {"row count", 24, 4, "its length does not match its counts"},
        {"first row later", row, 1, "row 0 does not start after the one before"},
        {"rows out of order", row + 8, 0, "row 1 does not start after the one before"},
        {"end before the last row", 21, 0, "the song ends before its last row"},
        {"hit between rows", hit + 8, 1, "hit 1 is not on the first frame of a row in order"},
        {"hit past the rows", hit + 17, 1, "hit 2 is not on the first frame of a row in order"},
        {"no instrument", hit + 4, 0, "hit 0 names no instrument, note or volume"},
        {"note 120", hit + 5, 120, "hit 0 names no instrument, note or volume"},
        {"volume 65", hit + 6, 65, "hit 0 names no instrument, note or volume"},
        {"padding", hit + 7, 1, "hit 0 names no instrument, note or volume"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bad = good;
        if (c.offset == SIZE_MAX)
            bad.pop_back();
        else
            bad[c.offset] = c.value;
        back.rows = {{1, 2, 3}};
        error.clear();
        bool read = readReplayTable(bad.data(), bad.size(), &back, &error);
        EXPECT_EQ(read, *c.error == '\0') << c.what;
        EXPECT_EQ(error, c.error) << c.what;
        if (!read) {
            EXPECT_TRUE(back.rows.empty() && back.hits.empty()) << c.what;
        }
    }
    // A rate of 0 and a table without rows are refused too.
    std::vector<uint8_t> bad = good;
    std::memset(bad.data() + 8, 0, 4);
    EXPECT_FALSE(readReplayTable(bad.data(), bad.size(), &back, &error));
    EXPECT_EQ(error, "its rate is 0");
    ReplayTable empty;
    empty.rate = RATE;
    bad = writeReplayTable(empty);
    EXPECT_FALSE(readReplayTable(bad.data(), bad.size(), &back, &error));
    EXPECT_EQ(error, "it has no rows");
    EXPECT_FALSE(readReplayTable(nullptr, 0, &back, &error));
}
