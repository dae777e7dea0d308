// The player driven offline: positions, syncs and audio against libopenmpt's
// own, frame for frame; the end; calls out of turn; modules that do not load.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/player.h"
#include "assets/assets.h"
#include "tests/player_modules.h"

namespace {
constexpr int RATE = 44100;
constexpr uint32_t NOTE62 = 2, END = 255;

uint32_t at(int order, int row) { return uint32_t(order) | uint32_t(row) << 16; }

const std::vector<uint8_t> bytes = timingSong();

std::vector<uint32_t> positions;  // libopenmpt's, at every frame of the song

// Each sync as order.row:note/volume (* the sync on note 62 only, ! the end);
// each fires at its row's first frame, when the frames before it and no more
// are out.
std::string heard;
void record(uint32_t handle, uint32_t data, uint32_t user) {
    const uint32_t position = playerGetPosition();
    const int64_t frame = playerAudibleFrame(), length = int64_t(positions.size());
    char hit[32];
    std::snprintf(hit, sizeof hit, "%u.%u%c%u/%u ", position & 0xFFFF, position >> 16,
                  user == NOTE62 ? '*' : user == END ? '!' : ':', data & 0xFFFF, data >> 16);
    heard += hit;
    EXPECT_EQ(handle, user == END ? 4 : user + 1) << hit;
    const bool rowStart = frame == 0 || (frame < length && positions[size_t(frame - 1)] != position);
    EXPECT_TRUE(user == END ? frame == length : rowStart && positions[size_t(frame)] == position) << hit << frame;
}

// Each would stop or replace what the render that calls it is using: refused.
void callFromInside(uint32_t, uint32_t, uint32_t) {
    playerMusicFree();
    playerFree();
    EXPECT_EQ(playerMusicLoad(1, nullptr, 0, 0, 0) + playerPlay(0, 0, 1) + playerOfflineRender(nullptr, 9), 0u);
}
}  // namespace

TEST(PlayerOffline, PositionsSyncsAndAudioFollowLibopenmptFrameForFrame) {
    // libopenmpt's own account, read a frame at a time: the position at every
    // frame of the song, and the audio.
    std::vector<int16_t> plain(2), first, second;
    positions.clear();
    heard.clear();
    openmpt_module* m = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                           nullptr, nullptr, nullptr, nullptr);
    openmpt_module_ctl_set_text(m, "play.at_end", "stop");
    openmpt_module_ctl_set_integer(m, "dither", 0);
    while (openmpt_module_read_interleaved_stereo(m, RATE, 1, plain.data() + plain.size() - 2) == 1) {
        positions.push_back(at(openmpt_module_get_current_order(m), openmpt_module_get_current_row(m)));
        plain.resize(plain.size() + 2);
    }
    openmpt_module_destroy(m);
    const int64_t length = int64_t(positions.size());
    ASSERT_EQ(playerInit(PLAYER_DEVICE_OFFLINE, RATE, 0), 1);
    ASSERT_EQ(playerMusicLoad(1, bytes.data(), 0, uint32_t(bytes.size()), 0), 1);
    EXPECT_EQ(playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | 1, callFromInside, 0), 1u);
    EXPECT_EQ(playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | 1, record, 1), 2u);
    EXPECT_EQ(playerSetSync(PLAYER_SYNC_INSTRUMENT, 62u << 16 | 2, record, NOTE62), 3u);
    EXPECT_EQ(playerSetSync(PLAYER_SYNC_END, 0, record, END), 4u);
    ASSERT_EQ(playerPlay(0, 0, 1), 1);
    // The song and 3000 frames of silence in uneven steps, or in video frames.
    auto play = [&](std::vector<int16_t>& audio, uint32_t step) {
        static const uint32_t steps[] = {1, 5, 881, 1, 1, 2000, 37, 4096, 3};
        int64_t song = 0;
        for (size_t i = 0; playerAudibleFrame() < length + 3000; ++i) {
            const uint32_t n = step ? step : steps[i % 9];
            audio.resize(audio.size() + 2 * n);
            song += playerOfflineRender(audio.data() + audio.size() - 2 * n, n);
            // After the end the position stays on the last row.
            const int64_t frame = std::min(playerAudibleFrame(), length - 1);
            if (playerGetPosition() != positions[size_t(frame)])
                return ADD_FAILURE() << "position " << std::hex << playerGetPosition() << " at frame " << frame;
        }
        EXPECT_EQ(song, length);
    };
    play(first, 0);
    EXPECT_EQ(heard, "0.0:60/10 0.0:60/25 0.1:48/40 0.2:72/25 0.2*62/64 0.3:50/40 0.8:48/40 0.9:49/40 0.9:0/40 "
                     "0.10:50/40 0.11:51/40 0.12:52/40 0.12:119/25 0.13:53/40 0.14:54/40 0.15:55/40 1.0:55/40 2.2:72/25 "
                     "2.2*62/64 2.3:50/40 2.8:48/40 2.9:49/40 2.9:0/40 2.10:50/40 2.11:51/40 2.12:52/40 2.12:119/25 "
                     "2.13:53/40 2.14:54/40 2.15:55/40 2.15!0/0 ");
    PlayerStats stats;
    playerGetStats(&stats);
    EXPECT_EQ(stats.onsetsFired, 16u + 4 + 14 + 1);  // the rows of orders 0, 1 and 2, and the end
    EXPECT_EQ(stats.maxLatenessMs + stats.maxClockStepMs, 0.0);
    // libopenmpt itself differs by a least significant bit here and there
    // with where its reads are cut; the row probing adds nothing beyond that.
    for (int64_t i = 0; i < 2 * length; ++i) ASSERT_LE(std::abs(first[i] - plain[i]), 1) << "sample " << i;
    EXPECT_EQ(std::count(first.begin() + 2 * length, first.end(), 0), long(first.size()) - 2 * length);

    // Played again (not asked to reset): afresh, and the very same samples.
    const std::string heard1 = heard;
    heard.clear();
    ASSERT_EQ(playerPlay(0, 0, 0), 1);
    EXPECT_EQ(playerGetPosition(), 0u);
    play(second, 735);
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + 2 * length, second.begin()));
    EXPECT_EQ(heard, heard1);
    playerFree();
}

TEST(PlayerSafety, CallsOutOfTurnAndModulesThatDoNotLoadLeaveNothingPlaying) {
    int16_t out[2 * 64];
    // Before init, after free, twice, and after every failed load.
    auto nothingLoaded = [&] {
        std::memset(out, 1, sizeof out);
        EXPECT_EQ(playerSetSync(PLAYER_SYNC_END, 0, record, 0) + playerPlay(0, 0, 1) + playerGetPosition(), 0u);
        EXPECT_EQ(playerOfflineRender(out, 64) + out[127], 0u);
    };
    playerFree();
    playerMusicFree();
    EXPECT_EQ(playerMusicLoad(1, bytes.data(), 0, uint32_t(bytes.size()), 0), 0);
    nothingLoaded();
    const int OFF = PLAYER_DEVICE_OFFLINE;
    const struct { int device; uint32_t hz; int ok; } inits[] = {
        {-4, RATE, 0}, {0, RATE, 0}, {OFF, 7999, 0}, {OFF, 192001, 0}, {OFF, 8000, 1}, {OFF, 192000, 1}};
    for (const auto& c : inits) {
        EXPECT_EQ(playerInit(c.device, c.hz, 0), c.ok) << c.device << " " << c.hz;
        playerFree();
    }
    EXPECT_EQ(playerInit(OFF, RATE, 0), 1);
    EXPECT_EQ(playerInit(OFF, RATE, 0), 0) << "already";

    // The module 3 bytes into memory, the show's from its file, and junk.
    std::vector<uint8_t> shifted = {'I', 'M', 'P'}, junk(5000);
    shifted.insert(shifted.end(), bytes.begin(), bytes.end());
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = uint8_t(i * 2654435761u >> 13);
    const char* file = VORTELAN_BINARY_DIR "/assets/music.it";
    const uint32_t n = uint32_t(bytes.size()), size = musicModuleSize;
    const struct { int fromMemory; const void* data; uint32_t offset, length; int loads; } loads[] = {
        {1, nullptr, 0, 100, 0}, {1, bytes.data(), 0, 0, 0}, {1, junk.data(), 0, 5000, 0}, {0, "/nowhere.it", 0, 0, 0},
        {0, file, size + 1, 0, 0}, {0, file, 0, size + 1, 0}, {0, file, 0, size, 1}, {1, shifted.data(), 3, n, 1},
        {0, file, 0, 0, 1},
    };
    for (const auto& c : loads) {
        // A good module first, so each failure must also let go of it.
        ASSERT_EQ(playerMusicLoad(1, bytes.data(), 0, n, 0), 1);
        EXPECT_EQ(playerMusicLoad(c.fromMemory, c.data, c.offset, c.length, 0), c.loads) << c.offset << " " << c.length;
        if (!c.loads) nothingLoaded();
    }
    ASSERT_EQ(playerPlay(at(2, 9), 0, 1), 1);
    EXPECT_EQ(playerOfflineRender(out, 64), 64u);
    EXPECT_EQ(playerGetPosition(), at(2, 9));
    EXPECT_EQ(playerSetSync(3, 0, record, 0) + playerSetSync(PLAYER_SYNC_END, 0, nullptr, 0), 0u);
    int taken = 0;
    for (int i = 0; i < PLAYER_MAX_SYNCS + 5; ++i) taken += playerSetSync(PLAYER_SYNC_END, 0, record, 0) != 0;
    EXPECT_EQ(taken, PLAYER_MAX_SYNCS);
    playerFree();
    nothingLoaded();
}

// The default volumes of other modules' samples: without instrument mode, with
// a missing instrument, a header outside the file, cut short.
TEST(PlayerItHeaders, SampleVolumesFromHeadersThatDoNotFit) {
    static ItVolumeTable t;
    const size_t all = bytes.size(), orders = bytes[0x20], tables = 0xC0 + orders + 4 * (2 + 2);
    std::vector<uint8_t> samples = bytes, badOffset = bytes;
    samples[0x2C] &= uint8_t(~4);                            // cells name samples
    std::memset(badOffset.data() + 0xC0 + orders, 0xF0, 4);  // instrument 1 at 0xF0F0F0F0
    // file, size, instrument, note: volume (-1 when the file does not read)
    const struct { const std::vector<uint8_t>& file; size_t size; int instrument, note, volume; } cases[] = {
        {samples, all, 1, 70, 40}, {samples, all, 2, 10, 25}, {samples, all, 3, 10, 0}, {bytes, all, 3, 60, 0},
        {bytes, all, 2, 30, 25}, {badOffset, all, 1, 60, 0}, {badOffset, all, 2, 0, 25},
        {bytes, tables, 2, 60, 0}, {bytes, tables - 1, 2, 60, -1}, {bytes, 0xBF, 2, 60, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readItSampleVolumes(c.file.data(), c.size, &t), c.volume >= 0) << c.size;
        EXPECT_EQ(t.volume[c.instrument][c.note], std::max(c.volume, 0)) << c.instrument << " " << c.note;
    }
}
