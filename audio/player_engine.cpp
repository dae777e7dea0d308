// The song engine: reads the song from libopenmpt a tick at a time, finds the
// exact first frame of every row on the way, and fires a row's syncs when that
// row is heard.
#include <algorithm>
#include <cstring>

#include "audio/player_state.h"

namespace playback {

openmpt_module* createModule(const std::vector<uint8_t>& bytes) {
    openmpt_module* module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                                                nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                                                nullptr, nullptr);
    if (!module) return nullptr;
    // Once through, then stop: no loop, no fade past the last row.
    openmpt_module_set_repeat_count(module, 0);
    openmpt_module_ctl_set_text(module, "play.at_end", "stop");
    // Dither would make the samples depend on how the song is cut into reads.
    openmpt_module_ctl_set_integer(module, "dither", 0);
    return module;
}

// The cells every row plays, in channel order, from libopenmpt's pattern data.
void readPatterns(Player& p) {
    openmpt_module* m = p.engine.module;
    int32_t orders = openmpt_module_get_num_orders(m);
    int32_t patterns = openmpt_module_get_num_patterns(m);
    int32_t channels = std::min(openmpt_module_get_num_channels(m), MAX_CHANNELS);
    for (int32_t o = 0; o < orders; ++o) p.orderPattern.push_back(openmpt_module_get_order_pattern(m, o));
    for (int32_t pat = 0; pat < patterns; ++pat) {
        int32_t rows = std::max(0, openmpt_module_get_pattern_num_rows(m, pat));
        p.patternFirstRow.push_back(static_cast<uint32_t>(p.rowFirstEvent.size()));
        p.patternRows.push_back(rows);
        for (int32_t r = 0; r < rows; ++r) {
            p.rowFirstEvent.push_back(static_cast<uint32_t>(p.events.size()));
            for (int32_t c = 0; c < channels; ++c) {
                auto command = [&](int which) { return openmpt_module_get_pattern_row_channel_command(m, pat, r, c, which); };
                uint8_t note = command(OPENMPT_MODULE_COMMAND_NOTE);  // 1 = C-0, 121+ special
                uint8_t instrument = command(OPENMPT_MODULE_COMMAND_INSTRUMENT);
                uint8_t volume = NO_VOLUME;
                if (command(OPENMPT_MODULE_COMMAND_VOLUMEEFFECT) == VOLUME_COMMAND_VOLUME)
                    volume = std::min<uint8_t>(command(OPENMPT_MODULE_COMMAND_VOLUME), 64);
                CellEvent cell{static_cast<uint8_t>(c), NO_NOTE, instrument, volume};
                if (note >= 1 && note <= PLAYER_NOTES) cell.note = static_cast<uint8_t>(note - 1);
                if (cell.note != NO_NOTE || instrument != 0) p.events.push_back(cell);
            }
        }
    }
    p.rowFirstEvent.push_back(static_cast<uint32_t>(p.events.size()));
}

// --- Rendering and row onsets ---------------------------------------------------

// libopenmpt's tick length in its classic tempo mode (Impulse Tracker's):
// 2.5 / tempo seconds, rounded down to whole frames.
static int64_t tickFrames(const Engine& e) {
    int32_t tempo = openmpt_module_get_current_tempo(e.module);
    if (tempo < 1) tempo = 1;
    return std::max<int64_t>(1, static_cast<int64_t>(e.rate) * 5 / (2 * tempo));
}

static void pushOnset(Engine& e, RowOnset onset) {
    if (e.ringCount == ONSET_RING) return;  // engineRender keeps room; never overwrite
    e.ring[(e.ringHead + e.ringCount) % ONSET_RING] = onset;
    ++e.ringCount;
}

// Records a row start at frame if libopenmpt has moved to another row.
static bool noteRow(Engine& e, int64_t frame) {
    int32_t order = openmpt_module_get_current_order(e.module);
    int32_t row = openmpt_module_get_current_row(e.module);
    if (order == e.order && row == e.row) return false;
    e.order = order;
    e.row = row;
    pushOnset(e, RowOnset{frame, static_cast<uint16_t>(order), static_cast<uint16_t>(row), false});
    return true;
}

static void finishSong(Engine& e) {
    e.finished = true;
    // After the end the position stays on the last row played, as with a
    // player that stops at the end of its order list.
    int32_t order = std::max(e.order, 0), row = std::max(e.row, 0);
    pushOnset(e, RowOnset{e.rendered, static_cast<uint16_t>(order), static_cast<uint16_t>(row), true});
}

// Reads the next piece of the song into the pending frames: one frame where
// a tick should start, else the rest of the tick.
static void readPiece(Engine& e) {
    e.pendingRead = 0;
    e.pendingCount = 0;
    if (e.scanning || e.rendered == e.nextTick) {
        // One frame: libopenmpt starts a tick at the beginning of a read, so a
        // row that changes now began exactly at this frame.
        if (openmpt_module_read_interleaved_stereo(e.module, e.rate, 1, e.pending) == 0) {
            finishSong(e);
            return;
        }
        int64_t frame = e.rendered++;
        e.pendingCount = 1;
        bool changed = noteRow(e, frame);
        if (e.scanning && !changed) return;
        e.scanning = false;
        e.nextTick = frame + tickFrames(e);
        return;
    }
    size_t want = static_cast<size_t>(std::min<int64_t>(PENDING_FRAMES, e.nextTick - e.rendered));
    size_t got = openmpt_module_read_interleaved_stereo(e.module, e.rate, want, e.pending);
    int64_t start = e.rendered;
    e.rendered += static_cast<int64_t>(got);
    e.pendingCount = static_cast<uint32_t>(got);
    if (got < want) {
        // The song ended inside the read (libopenmpt rewinds its position
        // then, so the row it reports now means nothing).
        finishSong(e);
        return;
    }
    if (noteRow(e, start)) {
        // A row began inside the read: the tick prediction was wrong. Place
        // it at the read's start and find the phase again on the next row.
        player.inexactOnsets.fetch_add(1, std::memory_order_relaxed);
        e.scanning = true;
    }
}

// Renders up to frames frames into out (interleaved stereo). Fewer when the
// song ends or when the onset ring needs firing first.
size_t engineRender(Engine& e, int16_t* out, size_t frames) {
    size_t done = 0;
    while (done < frames) {
        if (e.pendingCount == 0) {
            if (e.finished || e.ringCount + 2 > ONSET_RING) break;
            readPiece(e);
            continue;
        }
        uint32_t take = static_cast<uint32_t>(std::min<size_t>(e.pendingCount, frames - done));
        std::memcpy(out + 2 * done, e.pending + 2 * size_t(e.pendingRead), size_t(take) * 4);
        e.pendingRead += take;
        e.pendingCount -= take;
        done += take;
    }
    return done;
}

// --- Firing ---------------------------------------------------------------------------

static void callSync(uint32_t index, const Sync& s, uint32_t data) {
    insideSync = true;
    s.proc(index + 1, data, s.user);
    insideSync = false;
}

static void fireRow(Player& p, const RowOnset& onset) {
    p.position.store(static_cast<uint32_t>(onset.order) | static_cast<uint32_t>(onset.row) << 16,
                     std::memory_order_relaxed);
    int count = p.syncCount.load(std::memory_order_acquire);
    if (onset.end) {
        for (int s = 0; s < count; ++s)
            if (p.syncs[s].type == PLAYER_SYNC_END) callSync(static_cast<uint32_t>(s), p.syncs[s], 0);
        return;
    }
    if (onset.order >= p.orderPattern.size()) return;
    int32_t pattern = p.orderPattern[onset.order];
    if (pattern < 0 || static_cast<size_t>(pattern) >= p.patternRows.size()) return;
    if (onset.row >= p.patternRows[static_cast<size_t>(pattern)]) return;
    uint32_t rowIndex = p.patternFirstRow[static_cast<size_t>(pattern)] + onset.row;
    for (uint32_t i = p.rowFirstEvent[rowIndex]; i < p.rowFirstEvent[rowIndex + 1]; ++i) {
        const CellEvent& cell = p.events[i];
        if (cell.instrument) p.channelInstrument[cell.channel] = cell.instrument;
        if (cell.note == NO_NOTE) continue;
        uint8_t instrument = p.channelInstrument[cell.channel];
        if (!instrument) continue;
        uint32_t volume = cell.volume != NO_VOLUME ? cell.volume : p.volumes.volume[instrument][cell.note];
        uint32_t data = cell.note | volume << 16;
        for (int s = 0; s < count; ++s) {
            const Sync& sync = p.syncs[s];
            if (sync.type != PLAYER_SYNC_INSTRUMENT || (sync.param & 0xFFFF) != instrument) continue;
            uint32_t note = sync.param >> 16;
            if (note == PLAYER_ANY_NOTE || note == cell.note) callSync(static_cast<uint32_t>(s), sync, data);
        }
    }
}

// Fires, in order, every row that has become audible.
void fireDue(Player& p, int64_t audible) {
    Engine& e = p.engine;
    while (e.ringCount > 0 && e.ring[e.ringHead].frame <= audible) {
        RowOnset onset = e.ring[e.ringHead];
        e.ringHead = (e.ringHead + 1) % ONSET_RING;
        --e.ringCount;
        fireRow(p, onset);
        int64_t late = audible - onset.frame;
        p.onsetsFired.fetch_add(1, std::memory_order_relaxed);
        p.latenessSum.store(p.latenessSum.load(std::memory_order_relaxed) + late, std::memory_order_relaxed);
        if (late > p.latenessMax.load(std::memory_order_relaxed)) p.latenessMax.store(late, std::memory_order_relaxed);
    }
}
}  // namespace playback
