#pragma once
// Files that appear under their names only when complete: each is written
// under a short hidden temporary name beside its target and renamed at the
// end, all of them together, so a failure or an interruption leaves nothing
// behind. A symbolic link at the name is followed to the file it names, as
// other encoders do; a FIFO, a device or a socket there is refused and left
// as it is.
#include <cstddef>
#include <string>

struct OutputFile {
    std::string path;    // as the user gave it
    std::string target;  // the file written: path, or the file its links lead to
    std::string temp;    // empty once committed or abandoned
    int slot = -1;       // its place among the files a second signal removes
};

// Makes the temporary file beside the target, so the final rename stays in
// one folder. False, with the reason in error, when path cannot be written.
bool beginOutput(const std::string& path, OutputFile* out, std::string* error);
// Writes the whole of data into the temporary file (the encoder writes its
// own); the error names the file and the reason.
bool writeOutput(OutputFile* out, const void* data, size_t size, std::string* error);
// Gives every begun file of files its name and the permissions a new file
// gets, all or none: when one cannot be renamed, those renamed before go back
// (an earlier file of that name with them, where the file system can swap
// names). The caller keeps signals away meanwhile.
bool commitOutputs(OutputFile* const* files, size_t count, std::string* error);
// Removes the temporary file, if any.
void abandonOutput(OutputFile* out);
// The full path of an existing file, for the summary; path itself otherwise.
std::string absolutePath(const std::string& path);
