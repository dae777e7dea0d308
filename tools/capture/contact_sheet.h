#pragma once
// The contact sheet: the whole show at a glance in one PNG. A labelled
// thumbnail of the warning screen, of the middle of every order the show
// reaches and of the ending, in a grid; labels in DejaVu Sans through FreeType.
#include <cstdint>
#include <string>
#include <vector>

#include "show/offline_show.h"

struct SheetTile {
    int64_t frame;
    int order;          // -1: the warning screen, -2: the ending
};

// The frames to show: the middle of the warning screen (if there is one), the
// middle of each order heard before the end (a short break is so taken inside
// it), and the ending a few seconds after the end of the music. The plan must
// have reached the end of the music.
std::vector<SheetTile> contactSheetTiles(const OfflineClock& clock, const OfflineMusicPlan& plan);

struct ContactSheet;
// A sheet for frames of width x height; the title goes on top. Null and one
// line in error when the font cannot be loaded.
ContactSheet* openContactSheet(int width, int height, const OfflineClock& clock, const std::vector<SheetTile>& tiles,
                               const std::string& title, std::string* error);
// Takes frame `frame` (RGBA rows) if it is one of the tiles; false when it
// cannot be scaled.
bool addToContactSheet(ContactSheet* sheet, int64_t frame, const uint8_t* rgba, int stride);
// Labels the tiles and makes the PNG in memory, for the caller to write with
// the other files; false and error set on failure (a tile missing).
bool finishContactSheet(ContactSheet* sheet, std::vector<uint8_t>* png, std::string* error);
void closeContactSheet(ContactSheet** sheet);
// "2:33.20": minutes, seconds and hundredths of a frame's time.
std::string showTimeText(const OfflineClock& clock, int64_t frame);
