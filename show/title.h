#pragma once
// Every new window gets a nonsense title made of invented words, driven by the
// shared generator seeded from the calendar clock.
#include <cstdint>

#include "platform/window.h"

constexpr int TITLE_CAPACITY = 256;  // the longest title has 112 characters

// Composes the title for calendar time t into out (TITLE_CAPACITY bytes) and
// leaves rngState at its last step.
void composeWindowTitle(uint32_t t, char* out);
void makeWindowTitle(WindowHandle window);
