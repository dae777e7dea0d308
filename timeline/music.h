#pragma once
// Music set-up and playback (placeholder until the player layer lands).
int initMusic();
int loadMusic();
void startMusic();
void freeMusic();
