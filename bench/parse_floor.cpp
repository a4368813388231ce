// bvh_parse_floor: the least work an import must do. Streams the file one line at a time
// through a buffered file stream and parses every number of the motion section, keeping
// nothing but a sum; with --store it also appends a key to an array of its channel (the column
// of the frame line) for every value, as an importer must keep the keys somewhere: a key is a
// time (here the frame line's number) and a value, as the host holds it.
//
//   bvh_parse_floor [--store] FILE
//
// Prints: lines, values and the checksum (sum of all frame values, in file order).

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

int main(int argc, char** argv) {
    const bool store = argc == 3 && std::strcmp(argv[1], "--store") == 0;
    if (argc != 2 && !store) {
        std::fprintf(stderr, "usage: bvh_parse_floor [--store] FILE\n");
        return 2;
    }
    const char* path = argv[argc - 1];
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "bvh_parse_floor: %s: cannot be opened\n", path);
        return 1;
    }
    struct Key {
        double time;
        double value;
    };
    std::vector<std::vector<Key>> channels;
    // The import reads through a line buffer of this size; do the same.
    static char line[10240];
    bool inMotion = false;
    long long lines = 0, values = 0, bad = 0;
    double checksum = 0;
    while (in.getline(line, sizeof line)) {
        ++lines;
        if (!inMotion) {
            inMotion = std::strcmp(line, "MOTION") == 0;
            continue;
        }
        if (std::strstr(line, "Frames:") || std::strstr(line, "Time:")) continue;
        const char* p = line;
        const char* end = line + std::strlen(line);
        std::size_t column = 0;
        while (p < end) {
            if (*p == ' ' || *p == '\t' || *p == '\r') {
                ++p;
                continue;
            }
            double v = 0;
#if BVHIO_NUMBER_FALLBACK  // no std::from_chars for double (libc++): the C library's strtod
            char* stop = nullptr;
            v = std::strtod(p, &stop);
            const bool read = stop != p;
            const char* next = stop;
#else
            const auto r = std::from_chars(p, end, v);
            const bool read = r.ec == std::errc();
            const char* next = r.ptr;
#endif
            if (!read) {
                ++bad;
                while (p < end && *p != ' ') ++p;
                continue;
            }
            checksum += v;
            ++values;
            if (store) {
                if (column == channels.size()) channels.emplace_back();
                channels[column++].push_back(Key{static_cast<double>(lines), v});
            }
            p = next;
        }
    }
    std::printf("lines %lld values %lld checksum %.17g\n", lines, values, checksum);
    if (bad) {
        std::fprintf(stderr, "bvh_parse_floor: %lld tokens are not numbers\n", bad);
        return 1;
    }
    return 0;
}
