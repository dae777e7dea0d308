#pragma once
// The settings file, "vortelan.ini": one key=value per line, blanks dropped
// everywhere, '#' at the start of a line makes it a comment. Each pair becomes
// the tokens "/key" and "value" of the command line's grammar, so both are
// read by the same rules (parseOptions).
#include <cstddef>

constexpr int INI_LINE_LIMIT = 127;      // characters per line after blanks are dropped
constexpr int INI_STORE_CAPACITY = 256;  // bytes shared by all tokens of the file
constexpr int INI_READ_LIMIT = 1 << 20;  // bytes read from the file; the rest is ignored

// Reads the file and applies its settings. A missing file, or anything of that
// name that is not a regular file, gives the console line and the defaults.
void loadIniFile(const char* fileName);
// The same for text in memory (the first INI_READ_LIMIT bytes), as if it were
// the file's contents: for settings that arrive some other way.
void loadIniText(const char* text, size_t length);
