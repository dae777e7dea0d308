// The capture's output files: a temporary name first, the real ones together at the end.
#include "tools/capture/output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/process.h"

namespace {
constexpr int MOST_LINKS = 40;       // as the kernel follows them
constexpr size_t TEMP_NAME_PART = 32;  // bytes of the target's name kept in the temporary one

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// What a file that is not a regular one is, for the refusal.
const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO (named pipe), not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a regular file";
    if (S_ISSOCK(mode)) return "a socket, not a regular file";
    return "not a regular file";
}

// The file that path names once its symbolic links are followed; it need not
// exist yet. False, with the reason, for anything but a regular file.
bool followLinks(const std::string& path, std::string* target, std::string* error) {
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat st;
        if (lstat(current.c_str(), &st) != 0) {
            // A missing file is made; a missing or odd folder is told apart later.
            if (errno == ENOENT || errno == ENOTDIR) break;
            *error = "cannot write " + quoted(path) + ": " + std::strerror(errno);
            return false;
        }
        if (S_ISREG(st.st_mode)) break;
        if (!S_ISLNK(st.st_mode)) {
            *error = quoted(path) + (links == 0 ? " is " : " links to ") + kindOf(st.st_mode);
            return false;
        }
        std::vector<char> link(PATH_MAX);
        ssize_t n = readlink(current.c_str(), link.data(), link.size() - 1);
        if (n < 0 || links == MOST_LINKS) {
            *error = "cannot write " + quoted(path) + ": " + std::strerror(n < 0 ? errno : ELOOP);
            return false;
        }
        std::string next(link.data(), size_t(n));
        current = next[0] == '/' ? next : folderOf(current) + "/" + next;
    }
    *target = current;
    return true;
}

// The temporary name: hidden, beside the target, short whatever the target's
// length, and still telling which file it will become.
std::string tempPattern(const std::string& target) {
    std::string name = nameOf(target);
    size_t keep = std::min(name.size(), TEMP_NAME_PART);
    while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    return folderOf(target) + "/." + name.substr(0, keep) + ".XXXXXX";
}

// Puts temp in target's place. Where target exists and the file system can
// swap two names, it does, so the earlier file can be brought back.
bool putInPlace(const OutputFile& f, bool* swapped) {
    struct stat st;
    *swapped = lstat(f.target.c_str(), &st) == 0 &&
               renameat2(AT_FDCWD, f.temp.c_str(), AT_FDCWD, f.target.c_str(), RENAME_EXCHANGE) == 0;
    return *swapped || rename(f.temp.c_str(), f.target.c_str()) == 0;
}

void takeBack(const OutputFile& f, bool swapped) {
    if (swapped)
        renameat2(AT_FDCWD, f.temp.c_str(), AT_FDCWD, f.target.c_str(), RENAME_EXCHANGE);
    else
        rename(f.target.c_str(), f.temp.c_str());
}
}  // namespace

bool beginOutput(const std::string& path, OutputFile* out, std::string* error) {
    out->path = path;
    if (!followLinks(path, &out->target, error)) return false;
    std::string folder = folderOf(out->target);
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) {
        *error = "cannot write " + quoted(path) + ": the folder " + quoted(folder) + " " +
                 (errno == ENOENT ? std::string("does not exist") : std::string(std::strerror(errno)));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = "cannot write " + quoted(path) + ": " + quoted(folder) + " is not a folder";
        return false;
    }
    std::string pattern = tempPattern(out->target);
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        *error = "cannot write in the folder " + quoted(folder) + ": " + std::strerror(errno);
        return false;
    }
    close(fd);
    out->temp = temp.data();
    out->slot = platformRemoveOnSecondSignal(out->temp.c_str());
    if (out->slot < 0) {
        abandonOutput(out);
        *error = "cannot write " + quoted(path) + ": " + std::strerror(ENAMETOOLONG);
        return false;
    }
    return true;
}

bool writeOutput(OutputFile* out, const void* data, size_t size, std::string* error) {
    int fd = open(out->temp.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    const char* at = static_cast<const char*>(data);
    bool ok = fd >= 0;
    while (ok && size > 0) {
        ssize_t n = write(fd, at, size);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (n == 0) errno = ENOSPC;  // a regular file takes nothing more only when it is full
        if (ok) {
            at += n;
            size -= size_t(n);
        }
    }
    int reason = errno;
    if (fd >= 0 && close(fd) != 0 && ok) {
        ok = false;
        reason = errno;
    }
    if (!ok) *error = "cannot write " + quoted(out->path) + ": " + std::strerror(reason);
    return ok;
}

bool commitOutputs(OutputFile* const* files, size_t count, std::string* error) {
    mode_t mask = umask(0);
    umask(mask);
    std::vector<bool> swapped(count, false);
    for (size_t i = 0; i < count; ++i) {
        OutputFile& f = *files[i];
        if (f.temp.empty()) continue;
        bool swap = false;
        if (chmod(f.temp.c_str(), 0666 & ~mask) != 0 || !putInPlace(f, &swap)) {
            *error = "cannot name the file " + quoted(f.path) + ": " + std::strerror(errno);
            while (i-- > 0)
                if (!files[i]->temp.empty()) takeBack(*files[i], swapped[i]);
            return false;
        }
        swapped[i] = swap;
    }
    for (size_t i = 0; i < count; ++i) {
        OutputFile& f = *files[i];
        if (f.temp.empty()) continue;
        if (swapped[i]) unlink(f.temp.c_str());  // the earlier file, now under the temporary name
        platformKeepOnSecondSignal(f.slot);
        f.slot = -1;
        f.temp.clear();
    }
    return true;
}

void abandonOutput(OutputFile* out) {
    if (!out->temp.empty()) unlink(out->temp.c_str());
    platformKeepOnSecondSignal(out->slot);
    out->slot = -1;
    out->temp.clear();
}

std::string absolutePath(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string s = resolved;
    std::free(resolved);
    return s;
}
