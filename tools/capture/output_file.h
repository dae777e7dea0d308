#pragma once
// Files that appear under their names only when complete: each is written
// under a hidden temporary name beside its target and renamed at the end, so
// a failure or an interruption leaves nothing behind.
#include <string>

struct OutputFile {
    std::string path;
    std::string temp;  // empty once committed or abandoned
};

// Makes the temporary file beside path, so the final rename stays in one
// folder. False, with the reason in error, when path cannot be written.
bool beginOutput(const std::string& path, OutputFile* out, std::string* error);
// Gives the finished file its name and the permissions a new file gets.
bool commitOutput(OutputFile* out, std::string* error);
// Removes the temporary file, if any.
void abandonOutput(OutputFile* out);
// The full path of an existing file, for the summary; path itself otherwise.
std::string absolutePath(const std::string& path);
