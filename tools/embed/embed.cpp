// Turns a binary file into a C++ source that defines it as a byte array:
//   embed <input> <output.cpp> <symbol>
// defines `const unsigned char <symbol>[]` and `const unsigned <symbol>Size`.
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: embed <input> <output.cpp> <symbol>\n");
        return 2;
    }
    FILE* in = std::fopen(argv[1], "rb");
    if (!in) {
        std::fprintf(stderr, "embed: cannot open %s\n", argv[1]);
        return 1;
    }
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(in);

    FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::fprintf(stderr, "embed: cannot write %s\n", argv[2]);
        return 1;
    }
    std::fprintf(out, "// Generated from %s by tools/embed; do not edit.\n", argv[1]);
    // alignas keeps 16- and 32-bit reads of the data well-defined for readers that cast.
    std::fprintf(out, "extern const unsigned char %s[];\nextern const unsigned %sSize;\n", argv[3], argv[3]);
    std::fprintf(out, "alignas(16) const unsigned char %s[%zu] = {\n", argv[3], bytes.empty() ? size_t(1) : bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        std::fprintf(out, "%u,%s", bytes[i], (i % 24 == 23) ? "\n" : "");
    std::fprintf(out, "};\nconst unsigned %sSize = %zuu;\n", argv[3], bytes.size());
    return std::fclose(out) == 0 ? 0 : 1;
}
