// The capture's output files: a temporary name first, the real one at the end.
#include "tools/capture/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

bool beginOutput(const std::string& path, OutputFile* out, std::string* error) {
    out->path = path;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        *error = "'" + path + "' is a folder";
        return false;
    }
    std::string folder = folderOf(path);
    if (stat(folder.c_str(), &st) != 0) {
        *error = "cannot write '" + path + "': the folder '" + folder + "' " +
                 (errno == ENOENT ? std::string("does not exist") : std::string(std::strerror(errno)));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = "cannot write '" + path + "': '" + folder + "' is not a folder";
        return false;
    }
    std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    std::vector<char> temp(folder.begin(), folder.end());
    std::string tail = "/." + name + ".XXXXXX";
    temp.insert(temp.end(), tail.begin(), tail.end());
    temp.push_back('\0');
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        *error = "cannot write in the folder '" + folder + "': " + std::strerror(errno);
        return false;
    }
    close(fd);
    out->temp = temp.data();
    return true;
}

bool commitOutput(OutputFile* out, std::string* error) {
    mode_t mask = umask(0);
    umask(mask);
    chmod(out->temp.c_str(), 0666 & ~mask);
    if (rename(out->temp.c_str(), out->path.c_str()) != 0) {
        *error = "cannot name the file '" + out->path + "': " + std::strerror(errno);
        return false;
    }
    out->temp.clear();
    return true;
}

void abandonOutput(OutputFile* out) {
    if (!out->temp.empty()) unlink(out->temp.c_str());
    out->temp.clear();
}

std::string absolutePath(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string s = resolved;
    std::free(resolved);
    return s;
}
