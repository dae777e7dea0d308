// One frame: the timeline advanced, the blocks swept with shared edges, the overlays.
#include "render/frame.h"

#include <algorithm>
#include <vector>

#include "platform/clock.h"
#include "render/cells.h"
#include "render/draw.h"
#include "render/overlays.h"
#include "timeline/timeline.h"

void (*frameTimeline)() = updateTimeline;

namespace {
// Ping-pong edge buffers: on odd diagonals the blocks read their top and left
// edges from the A pair and write their bottom and right edges into B; on even
// diagonals the other way round.
std::vector<int> rowEdgesA, rowEdgesB, columnEdgesA, columnEdgesB;

void sampleEdge(int* out, float x, float y, float dx, float dy) {
    for (int k = 0; k < EDGE_SAMPLES; ++k) out[k] = frameScene(x + dx * static_cast<float>(k), y + dy * static_cast<float>(k));
}
}  // namespace

void allocateEdgeBuffers() {
    // A bottom edge of block row o goes to slot o + 1, so the row buffers need
    // blocksDown + 1 slots; the column buffers get the same for simplicity.
    size_t entries = static_cast<size_t>(std::max(blocksDown, 1) + 1) * EDGE_SAMPLES;
    for (std::vector<int>* buffer : {&rowEdgesA, &rowEdgesB, &columnEdgesA, &columnEdgesB})
        if (buffer->size() < entries) buffer->assign(entries, 0);
}

void renderFrame() {
    frameSeconds = static_cast<float>(clockMillis() * 0.001);
    // The empty cells take the polarity the previous frame left behind.
    float p = 1.0f - polarity;
    emptyCellColor[0] = 1.0f - p;
    emptyCellColor[1] = 0.98f - 0.96f * p;
    emptyCellColor[2] = 0.96f - 0.92f * p;

    frameTimeline();

    float grey = invertBlend(paperLevel);
    draw->clearColor(grey, grey, grey, 0.0f);
    draw->clear(DRAW_COLOR_BUFFER_BIT | DRAW_DEPTH_BUFFER_BIT);

    allocateEdgeBuffers();  // only grows, and only when the grid has grown
    const int S = EDGE_SAMPLES;
    const float B = BLOCK_SIZE;
    draw->begin(DRAW_QUADS);
    for (int d = 0; d <= blocksAcross + blocksDown - 2; ++d) {
        bool odd = (d & 1) != 0;
        int* readRows = odd ? rowEdgesA.data() : rowEdgesB.data();
        int* readColumns = odd ? columnEdgesA.data() : columnEdgesB.data();
        int* writeRows = odd ? rowEdgesB.data() : rowEdgesA.data();
        int* writeColumns = odd ? columnEdgesB.data() : columnEdgesA.data();
        // Only the blocks of the top row and of the left column get fresh top and
        // left edges; all others inherit them from the previous diagonal.
        if (d < blocksAcross) sampleEdge(readRows, B * static_cast<float>(d), 0.0f, 4.0f, 0.0f);
        if (d < blocksDown) sampleEdge(readColumns + d * S, 0.0f, B * static_cast<float>(d), 0.0f, 4.0f);
        int firstRow = std::max(0, d - blocksAcross + 1);
        int lastRow = std::min(d, blocksDown - 1);
        for (int o = firstRow; o <= lastRow; ++o) {
            int t = d - o;
            float x0 = B * static_cast<float>(t), y0 = B * static_cast<float>(o);
            sampleEdge(writeColumns + o * S, x0 + B, y0, 0.0f, 4.0f);
            sampleEdge(writeRows + (o + 1) * S, x0, y0 + B, 4.0f, 0.0f);
            drawCell(16, x0, y0, x0 + B, y0 + B, readRows + o * S, readColumns + o * S, writeColumns + o * S,
                     writeRows + (o + 1) * S);
        }
    }
    draw->end();

    if (currentDemoPhase() < 0)
        drawWarningTiles();
    else
        drawBlockMarker();
    if (orderReached == 16) drawScreenDoor();
}
