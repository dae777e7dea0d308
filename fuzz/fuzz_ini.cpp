// The INI file: any bytes, read through a real file (a memory file), leave
// every setting within its range; the same file in upper case and with CR LF
// line breaks gives the same settings.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/config.h"
#include "core/ini.h"
#include "fuzz/fuzz_check.h"

namespace {
int memoryFile = -1;
std::string memoryFileName;

void loadBytes(const std::string& bytes) {
    FUZZ_CHECK(ftruncate(memoryFile, 0) == 0 && pwrite(memoryFile, bytes.data(), bytes.size(), 0) == ssize_t(bytes.size()),
               "cannot write the memory file");
    loadIniFile(memoryFileName.c_str());
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzStart();
    memoryFile = memfd_create("vortelan.ini", 0);
    memoryFileName = "/proc/self/fd/" + std::to_string(memoryFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FUZZ_CHECK(memoryFile >= 0, "no memory file");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    loadBytes(bytes);
    checkSettings();
    const FuzzSettings first = fuzzSettings();

    // CR LF ends a line and then an empty one, which yields nothing.
    std::string again;
    for (char c : bytes) again += c == '\n' ? std::string("\r\n") : std::string(1, c);
    if (again.size() > size_t(INI_READ_LIMIT)) return 0;
    upperCase(again);
    loadBytes(again);
    const FuzzSettings second = fuzzSettings();
    FUZZ_CHECK(second == first, "%zu bytes: %dx%d detail %d fullscreen %d warning %u sound off %d, then %dx%d "
               "detail %d fullscreen %d warning %u sound off %d", size, first.width, first.height, first.detail,
               first.fullscreen, first.warning, first.noSound, second.width, second.height, second.detail,
               second.fullscreen, second.warning, second.noSound);
    return 0;
}
