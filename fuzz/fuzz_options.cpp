// The command line: any bytes, split and parsed, leave every setting within
// its range; the same line in upper case, cut to the 255 characters the copy
// buffer holds, gives the same settings.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/config.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzStart();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    line.resize(line.find('\0') == std::string::npos ? line.size() : line.find('\0'));
    splitCommandLine(line.c_str());
    checkSettings();
    const FuzzSettings first = fuzzSettings();

    std::string again = line.substr(0, COMMAND_LINE_CAPACITY - 1);
    upperCase(again);
    splitCommandLine(again.c_str());
    const FuzzSettings second = fuzzSettings();
    FUZZ_CHECK(second == first, "%zu characters: %dx%d detail %d fullscreen %d warning %u sound off %d, then %dx%d "
               "detail %d fullscreen %d warning %u sound off %d", line.size(), first.width, first.height,
               first.detail, first.fullscreen, first.warning, first.noSound, second.width, second.height,
               second.detail, second.fullscreen, second.warning, second.noSound);
    return 0;
}
