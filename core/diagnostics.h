#pragma once
// The program's two outputs besides the picture and the sound: progress lines on
// the console and modal messages on failure. Both use one small formatter that
// knows %c, %d, %i, %f, %s, %x and %X and nothing else: no widths, no flags, and
// '%%' is not an escape.
#include <cstdarg>
#include <cstddef>

constexpr size_t MESSAGE_CAPACITY = 256;  // 255 characters and a terminator

// Composes into out (at most capacity - 1 characters, always terminated) and
// returns the composed length. Longer texts are cut off.
int formatMessage(char* out, size_t capacity, const char* format, va_list args);

// A message the user must see, caption "please note": a modal box in the demo,
// standard error elsewhere.
void showMessage(const char* format, ...);
// Writes the composed text by length, with no terminator or added line break.
int consolePrint(const char* format, ...);

// Where showMessage's text goes. Until a platform layer installs its own (the
// demo's modal box), messageToStderr: "caption: text" and a line break, in one write.
using MessageSink = void (*)(const char* text, const char* caption);
void setMessageSink(MessageSink sink);
void messageToStderr(const char* text, const char* caption);
// Writes exactly length bytes to standard output, unbuffered, so lines appear
// in the order they are made, also when standard output is a pipe.
int consoleWrite(const char* text, int length);
