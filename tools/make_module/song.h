#pragma once
// The show's module: its sections, harmony, parts and order list.
//
// Order list 0-20 plays patterns 0 1 2 3 3 5 6 7 7 5 8 9 12 13 13 14 15 18 19 20 20;
// pattern 5 is a four-row break, every other pattern 64 rows, speed 6,
// tempo 125. Sections: intro 0, build 1-2, main 3-8 (breaks 5 and 9), a
// new section in D minor 10-11, breakdown 12-15, climax in B minor 16-18,
// outro 19-20 fading out.
#include "tools/itwriter/itwriter.h"

// The whole module record, ready for writeItModule.
ItModule composeShow();
