#pragma once
// Settings from the command line or, when it is empty, from "vortelan.ini".
// Both become one list of tokens read by parseOptions, which applies the
// defaults, then the options, then derives the screen geometry.

constexpr int COMMAND_LINE_CAPACITY = 256;  // 255 characters
constexpr int INI_LINE_LIMIT = 127;         // characters per line after blanks are dropped
constexpr int INI_STORE_CAPACITY = 256;     // bytes shared by all tokens of the file
constexpr int TOKEN_LIMIT = 128;
constexpr int INI_READ_LIMIT = 1 << 20;     // bytes read from the INI file; the rest is ignored

void parseOptions(int count, const char* const* tokens);
// viewWidth, viewHeight, blocksAcross and blocksDown from the screen size;
// parseOptions ends with it.
void deriveScreenGeometry();
void setDetailLevel(int level);
int compareNoCase(const char* a, const char* b);
void loadIniFile(const char* fileName);
void splitCommandLine(const char* commandLine);

// The text of --help: options, keys and the INI format.
extern const char* const USAGE_TEXT;
