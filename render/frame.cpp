// One frame: the timeline advanced, the blocks swept with shared edges, the overlays.
#include "render/frame.h"

#include <algorithm>
#include <vector>

#include "platform/clock.h"
#include "render/cells.h"
#include "render/draw.h"
#include "render/overlays.h"
#include "render/workers.h"
#include "timeline/timeline.h"

void (*frameTimeline)() = updateTimeline;

namespace {
// Every block edge of the frame, each sampled once and read by the two blocks
// that meet there: rowEdges holds the horizontal edges, blocksAcross to a line
// y = 64 o for o = 0 .. blocksDown; columnEdges the vertical ones, blocksAcross
// + 1 to a block row, the one at index t on x = 64 t.
std::vector<int> rowEdges, columnEdges;
// The quads of each block row, and where each block's quads begin in its row.
std::vector<std::vector<DrawRect>> rowQuads;
std::vector<int> blockStart;  // blocksAcross + 1 per block row, the last the row's end
// All quads of the frame in the order of the anti-diagonal sweep.
std::vector<DrawRect> frameQuads;

int* rowEdge(int line, int t) { return &rowEdges[(static_cast<size_t>(line) * blocksAcross + t) * EDGE_SAMPLES]; }
int* columnEdge(int o, int line) {
    return &columnEdges[(static_cast<size_t>(o) * (blocksAcross + 1) + line) * EDGE_SAMPLES];
}

void sampleEdge(int* out, float x, float y, float dx, float dy) {
    for (int k = 0; k < EDGE_SAMPLES; ++k) out[k] = frameScene(x + dx * static_cast<float>(k), y + dy * static_cast<float>(k));
}

// The edges block row o samples: each block its right and bottom edge, the
// top row its top edges too, the left column its left edge.
void sampleRowEdges(int o, int, void*) {
    const float B = BLOCK_SIZE;
    const float y0 = B * static_cast<float>(o);
    for (int t = 0; t < blocksAcross; ++t) {
        const float x0 = B * static_cast<float>(t);
        if (o == 0) sampleEdge(rowEdge(0, t), x0, 0.0f, 4.0f, 0.0f);
        if (t == 0) sampleEdge(columnEdge(o, 0), 0.0f, y0, 0.0f, 4.0f);
        sampleEdge(columnEdge(o, t + 1), x0 + B, y0, 0.0f, 4.0f);
        sampleEdge(rowEdge(o + 1, t), x0, y0 + B, 4.0f, 0.0f);
    }
}

// The cells of block row o, once every edge is there.
void drawRowCells(int o, int, void*) {
    const float B = BLOCK_SIZE;
    const float y0 = B * static_cast<float>(o);
    std::vector<DrawRect>* quads = &rowQuads[o];
    int* start = &blockStart[static_cast<size_t>(o) * (blocksAcross + 1)];
    quads->clear();
    for (int t = 0; t < blocksAcross; ++t) {
        const float x0 = B * static_cast<float>(t);
        start[t] = static_cast<int>(quads->size());
        drawCell(quads, 16, x0, y0, x0 + B, y0 + B, rowEdge(o, t), columnEdge(o, t), columnEdge(o, t + 1),
                 rowEdge(o + 1, t));
    }
    start[blocksAcross] = static_cast<int>(quads->size());
}

// The blocks' quads in the sweep's order: diagonal d = t + o from 0 on, each
// from its upper-right block to its lower-left one.
void gatherQuads() {
    frameQuads.clear();
    for (int d = 0; d <= blocksAcross + blocksDown - 2; ++d) {
        for (int o = std::max(0, d - blocksAcross + 1); o <= std::min(d, blocksDown - 1); ++o) {
            const int t = d - o;
            const int* start = &blockStart[static_cast<size_t>(o) * (blocksAcross + 1)];
            const DrawRect* row = rowQuads[o].data();
            frameQuads.insert(frameQuads.end(), row + start[t], row + start[t + 1]);
        }
    }
}
}  // namespace

void allocateEdgeBuffers() {
    // Only grows: a smaller grid uses the front of the same buffers.
    const size_t across = static_cast<size_t>(std::max(blocksAcross, 1));
    const size_t down = static_cast<size_t>(std::max(blocksDown, 1));
    if (rowEdges.size() < (down + 1) * across * EDGE_SAMPLES) rowEdges.assign((down + 1) * across * EDGE_SAMPLES, 0);
    if (columnEdges.size() < down * (across + 1) * EDGE_SAMPLES)
        columnEdges.assign(down * (across + 1) * EDGE_SAMPLES, 0);
    if (rowQuads.size() < down) rowQuads.resize(down);
    if (blockStart.size() < down * (across + 1)) blockStart.assign(down * (across + 1), 0);
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

    // The scene is only read from here to the end of the sweep, so block rows
    // can be sampled side by side: first all edges, then the cells inside them.
    allocateEdgeBuffers();  // only grows, and only when the grid has grown
    if (blocksAcross > 0 && blocksDown > 0) {
        runPieces(blocksDown, sampleRowEdges, nullptr);
        runPieces(blocksDown, drawRowCells, nullptr);
        gatherQuads();
        draw->rectangles(frameQuads.data(), static_cast<int>(frameQuads.size()));
    }

    if (currentDemoPhase() < 0)
        drawWarningTiles();
    else
        drawBlockMarker();
    if (orderReached == 16) drawScreenDoor();
}
