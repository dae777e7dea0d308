#pragma once
// Settings from the command line or, when it is empty, from "vortelan.ini".
// Both become one list of tokens read by parseOptions, which applies the
// defaults, then the options, then derives the screen geometry.

constexpr int COMMAND_LINE_CAPACITY = 256;  // 255 characters
constexpr int TOKEN_LIMIT = 128;

void parseOptions(int count, const char* const* tokens);
// viewWidth, viewHeight, blocksAcross and blocksDown from the screen size;
// parseOptions ends with it.
void deriveScreenGeometry();
void setDetailLevel(int level);
int compareNoCase(const char* a, const char* b);
void splitCommandLine(const char* commandLine);

// The text of --help: options, keys and the INI format.
extern const char* const USAGE_TEXT;
