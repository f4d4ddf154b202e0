// Writes one benchmark data set: make_data PATTERN BYTES FILE.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "patterns.h"

int main(int argc, char** argv) {
    bench::Pattern pattern{};
    if (argc != 4 || !bench::pattern_named(argv[1], &pattern)) {
        std::fprintf(stderr, "usage: make_data lf80|crlf80|short|long|oneline|binary|edges BYTES FILE\n");
        return 1;
    }
    const uint64_t total = std::strtoull(argv[2], nullptr, 10);
    std::FILE* file = std::fopen(argv[3], "wb");
    if (file == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    bench::PatternSource source(pattern, total);
    std::vector<uint8_t> block(1 << 20);
    for (uint64_t left = total; left > 0;) {
        const size_t size = left < block.size() ? static_cast<size_t>(left) : block.size();
        source.fill(block.data(), size);
        if (std::fwrite(block.data(), 1, size, file) != size) {
            std::perror(argv[3]);
            return 1;
        }
        left -= size;
    }
    if (std::fclose(file) != 0) {
        std::perror(argv[3]);
        return 1;
    }
    return 0;
}
