// The settings file's reader: bytes in, the command line's tokens out.
#include "core/ini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/config.h"
#include "core/diagnostics.h"

namespace {
// The pairs found so far and the line being read. The tokens point into the
// store, which the options read once at the end.
struct IniReader {
    char store[INI_STORE_CAPACITY];
    const char* tokens[TOKEN_LIMIT];
    int storeUsed;
    int count;
    char line[INI_LINE_LIMIT + 1];
    int length;
};

void endLine(IniReader* r) {
    if (r->length > 0 && r->line[0] == '#') r->length = 0;
    for (int p = 1; p <= r->length - 2; ++p) {
        if (r->line[p] != '=') continue;
        int keyLength = p;
        int valueLength = r->length - p - 1;
        // "/" + key + terminator + value + terminator; a pair that does not fit
        // in the store or the list is left out.
        int need = keyLength + valueLength + 3;
        if (r->storeUsed + need <= INI_STORE_CAPACITY && r->count + 2 <= TOKEN_LIMIT) {
            char* key = r->store + r->storeUsed;
            key[0] = '/';
            std::memcpy(key + 1, r->line, static_cast<size_t>(keyLength));
            key[keyLength + 1] = '\0';
            char* value = key + keyLength + 2;
            std::memcpy(value, r->line + p + 1, static_cast<size_t>(valueLength));
            value[valueLength] = '\0';
            r->tokens[r->count++] = key;
            r->tokens[r->count++] = value;
            r->storeUsed += need;
        }
        break;
    }
    r->length = 0;
}

void feed(IniReader* r, const char* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        char b = bytes[i];
        if (b == '\n' || b == '\r') {
            endLine(r);
            continue;
        }
        // A line holds at most INI_LINE_LIMIT characters; the rest of it is dropped.
        if (b != '\t' && b != ' ' && r->length < INI_LINE_LIMIT) r->line[r->length++] = b;
    }
}

// A last line without a line break ends with the text; then the settings apply.
void finish(IniReader* r) {
    endLine(r);
    parseOptions(r->count, r->tokens);
}

IniReader reader;  // the settings outlive no call, but 1 KiB is kept off the stack
}  // namespace

void loadIniFile(const char* fileName) {
    // Opened without blocking, and only a regular file is read: a FIFO of that
    // name would wait for a writer forever, and a directory, device or socket
    // has no settings to give. All of them count as missing.
    int file = open(fileName, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat info;
    if (file >= 0 && (fstat(file, &info) != 0 || !S_ISREG(info.st_mode))) {
        close(file);
        file = -1;
    }
    if (file < 0) {
        consolePrint("file `%s` is missing..", fileName);
        parseOptions(0, nullptr);
        return;
    }

    reader = IniReader{};
    // At most 256 bytes of tokens can be kept, so a huge file is not worth
    // reading to its end: what lies past the limit is ignored like any other
    // excess, and the limit ends the last line as the end of a file would.
    char chunk[4096];
    int total = 0;
    while (total < INI_READ_LIMIT) {
        ssize_t n = read(file, chunk, std::min<size_t>(sizeof chunk, size_t(INI_READ_LIMIT - total)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the end, or a file that cannot be read further
        total += static_cast<int>(n);
        feed(&reader, chunk, static_cast<size_t>(n));
    }
    close(file);
    finish(&reader);
}

void loadIniText(const char* text, size_t length) {
    reader = IniReader{};
    feed(&reader, text, std::min(length, static_cast<size_t>(INI_READ_LIMIT)));
    finish(&reader);
}
