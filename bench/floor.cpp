// The floor: the least work that lintop's platform calls on POSIX allow.
//
// For a disk file it makes the same reads, peeks, steps back and writes, of
// the same sizes and in the same order, as lintop does, and produces the same
// bytes; its only byte work is memchr, memcpy and memmove. It is the yardstick
// of the benchmark: what lintop costs above it is lintop's own work.
//
// The reads are translated in place in one staging area, where the copied
// line pieces then wait for their write-out, so that no byte is copied on the
// way except into the expanded chunks that the writes send.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint8_t CR = 0x0D;
constexpr uint8_t LF = 0x0A;
constexpr uint8_t CTRL_Z = 0x1A;

constexpr size_t READ_SIZE = 4096;    // every read asks for a whole stream buffer
constexpr size_t PIECE_LIMIT = 4095;  // a line is copied in pieces of at most this many bytes
constexpr size_t OUTPUT_UNIT = 4096;  // the output buffer, written out when one more byte arrives
constexpr size_t CHUNK_CLOSE = 1024;  // an expanded chunk closes here, at 1025 when a CR LF ends it
constexpr size_t STAGE_SIZE = 32768;  // pending output (< 8192) and one read always fit
constexpr uint32_t DEFAULT_COUNT = 20;

// [out, taken): copied pieces not yet written out; [taken, end): translated
// bytes not yet taken into a piece.
struct Stage {
    uint8_t bytes[STAGE_SIZE];
    size_t out;
    size_t taken;
    size_t end;
};

Stage stage;
uint8_t chunk[CHUNK_CLOSE + 1];
int input_fd = -1;
bool data_ended = false;  // a Ctrl-Z was read: no further read is made

// As WriteFile: the whole count, or a failure.
bool write_all(const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const ssize_t sent = write(STDOUT_FILENO, bytes, count);
        if (sent > 0) {
            bytes += sent;
            count -= static_cast<size_t>(sent);
        } else if (sent == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

// Each LF as CR LF, one write per chunk; chunks are built from the runs between LFs.
bool write_expanded(const uint8_t* bytes, size_t count) {
    const uint8_t* const end = bytes + count;
    while (bytes < end) {
        size_t size = 0;
        while (bytes < end && size < CHUNK_CLOSE) {
            const size_t room = CHUNK_CLOSE - size;
            const size_t span = static_cast<size_t>(end - bytes) < room ? static_cast<size_t>(end - bytes) : room;
            const auto* lf = static_cast<const uint8_t*>(std::memchr(bytes, LF, span));
            const size_t run = lf != nullptr ? static_cast<size_t>(lf - bytes) : span;
            std::memcpy(chunk + size, bytes, run);
            size += run;
            bytes += run;
            if (lf != nullptr) {
                chunk[size++] = CR;
                chunk[size++] = LF;
                ++bytes;
            }
        }
        if (!write_all(chunk, size)) {
            return false;
        }
    }
    return true;
}

void move_run(uint8_t* to, const uint8_t* from, size_t count) {
    if (to != from && count > 0) {
        std::memmove(to, from, count);
    }
}

// A CR that ends a read on a disk file: one byte more is read to see whether
// LF follows; unless the CR was the read's only byte and LF came, the byte is
// given back by a step back of one (which POSIX SetFilePointer does as two
// lseeks: where am I, then there minus one).
uint8_t* resolve_final_cr(uint8_t* write, bool nothing_stored) {
    uint8_t peeked = 0;
    if (read(input_fd, &peeked, 1) != 1) {
        *write++ = CR;
        return write;
    }
    if (nothing_stored && peeked == LF) {
        *write++ = LF;
        return write;
    }
    const off_t here = lseek(input_fd, 0, SEEK_CUR);
    lseek(input_fd, here - 1, SEEK_SET);
    if (peeked != LF) {
        *write++ = CR;
    }
    return write;
}

// CR LF becomes LF in place, a Ctrl-Z ends the data; the count kept.
size_t translate(uint8_t* bytes, size_t placed) {
    uint8_t* end = bytes + placed;
    if (auto* ctrl_z = static_cast<uint8_t*>(std::memchr(bytes, CTRL_Z, placed))) {
        end = ctrl_z;
        data_ended = true;
    }
    uint8_t* read_at = bytes;
    uint8_t* write_at = bytes;
    for (;;) {
        auto* cr = static_cast<uint8_t*>(std::memchr(read_at, CR, static_cast<size_t>(end - read_at)));
        const uint8_t* run_end = cr != nullptr ? cr : end;
        move_run(write_at, read_at, static_cast<size_t>(run_end - read_at));
        write_at += run_end - read_at;
        if (cr == nullptr) {
            break;
        }
        read_at = cr + 1;
        if (read_at < end) {
            const bool pair = *read_at == LF;
            *write_at++ = pair ? LF : CR;
            if (pair) {
                ++read_at;
            }
        } else if (data_ended) {
            *write_at++ = CR;  // the Ctrl-Z follows it: no peek
        } else {
            write_at = resolve_final_cr(write_at, write_at == bytes);
        }
    }
    return static_cast<size_t>(write_at - bytes);
}

// Appends the next read; false at the end of the data.
bool refill() {
    if (data_ended) {
        return false;
    }
    if (stage.end + READ_SIZE > STAGE_SIZE) {
        move_run(stage.bytes, stage.bytes + stage.out, stage.end - stage.out);
        stage.taken -= stage.out;
        stage.end -= stage.out;
        stage.out = 0;
    }
    const ssize_t got = read(input_fd, stage.bytes + stage.end, READ_SIZE);
    if (got <= 0) {
        return false;
    }
    stage.end += translate(stage.bytes + stage.end, static_cast<size_t>(got));
    return stage.taken < stage.end;
}

// Up to and including an LF, at most PIECE_LIMIT bytes; its length, 0 at the end.
size_t take_piece() {
    size_t stored = 0;
    while (stored < PIECE_LIMIT) {
        if (stage.taken == stage.end && !refill()) {
            break;
        }
        const size_t left = stage.end - stage.taken;
        const size_t want = left < PIECE_LIMIT - stored ? left : PIECE_LIMIT - stored;
        const uint8_t* from = stage.bytes + stage.taken;
        const auto* lf = static_cast<const uint8_t*>(std::memchr(from, LF, want));
        const size_t take = lf != nullptr ? static_cast<size_t>(lf - from) + 1 : want;
        stage.taken += take;
        stored += take;
        if (lf != nullptr) {
            break;
        }
    }
    return stored;
}

// To a file or a pipe, 4096 bytes at a time once a further byte arrives; to a
// character device, each piece by itself.
void copy_pieces(uint32_t count, bool to_device) {
    for (; count > 0; --count) {
        const size_t length = take_piece();
        if (length == 0) {
            break;
        }
        if (to_device) {
            if (!write_expanded(stage.bytes + stage.out, length)) {
                return;
            }
            stage.out = stage.taken;
        } else if (stage.taken - stage.out > OUTPUT_UNIT) {
            if (!write_expanded(stage.bytes + stage.out, OUTPUT_UNIT)) {
                return;
            }
            stage.out += OUTPUT_UNIT;
        }
    }
    if (stage.taken > stage.out) {
        write_expanded(stage.bytes + stage.out, stage.taken - stage.out);
    }
}

uint32_t parse_count(const char* text) {
    uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10u + static_cast<uint32_t>(*text - '0');
    }
    return static_cast<int32_t>(value) > 0 ? value : DEFAULT_COUNT;
}

// The start-up calls that lintop makes too: ignore SIGPIPE, ask each standard
// descriptor whether it is open and what it is.
bool stdout_is_device() {
    std::signal(SIGPIPE, SIG_IGN);
    bool device = false;
    for (int fd = 0; fd < 3; ++fd) {
        struct stat status = {};
        if (fcntl(fd, F_GETFD) != -1 && fstat(fd, &status) == 0 && fd == STDOUT_FILENO) {
            device = S_ISCHR(status.st_mode);
        }
    }
    return device;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 3 && (argv[1][0] == '-' || argv[1][0] == '/'))) {
        std::fprintf(stderr, "usage: lintop_floor [-count] diskfile\n");
        return 1;
    }
    const uint32_t count = argc == 3 ? parse_count(argv[1] + 1) : DEFAULT_COUNT;
    const char* name = argv[argc - 1];
    const bool to_device = stdout_is_device();

    // lintop opens, then looks at the file twice (CreateFileA, GetFileType).
    input_fd = open(name, O_RDONLY | O_NOCTTY);
    struct stat status = {};
    if (input_fd == -1 || fstat(input_fd, &status) != 0 || fstat(input_fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        std::fprintf(stderr, "%s: not a readable disk file\n", name);
        return 2;
    }
    copy_pieces(count, to_device);
    std::_Exit(0);
}
