#pragma once
// Drawn over the swept blocks, each with its own quad batches: the warning
// picture while the warning screen lasts, otherwise the block marker; then the
// screen door while the music is at order 16. Never inside an open batch.
void drawWarningTiles();
void drawBlockMarker();
void drawScreenDoor();
