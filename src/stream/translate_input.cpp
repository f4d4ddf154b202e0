#include <cstring>

#include "stream/byte_runs.h"
#include "stream/error.h"
#include "stream/handles.h"
#include "stream/translate.h"

namespace lintop {

namespace {

// Resolves a CR that ends the chunk by reading one byte more. Returns the
// byte to store for the CR, or -1 when nothing is stored for it.
int resolve_final_cr(int32_t handle, HandleRecord* record, bool nothing_stored) {
    uint8_t peeked = 0;
    DWORD received = 0;
    // A peek that fails ends the data with the CR: a later read must not
    // deliver the LF of a pair whose CR was already kept. Unless the writer
    // of a pipe has gone, that cuts the data short and is reported at exit.
    if (!ReadFile(record->platform_handle, &peeked, 1, &received, nullptr)) {
        const DWORD code = GetLastError();
        end_data(record);
        if (code != ERROR_BROKEN_PIPE) {
            map_transfer_error(code);
            note_transfer_failure(handle);
        }
        return CR;
    }
    if (received == 0) {
        return CR;
    }
    if ((record->attributes & (HANDLE_CHAR_DEVICE | HANDLE_PIPE)) != 0) {
        if (peeked == LF) {
            return LF;
        }
        // On a pipe a Ctrl-Z ends the data now, without waiting for a read
        // behind it that may never return.
        if (peeked == CTRL_Z && (record->attributes & HANDLE_CHAR_DEVICE) == 0) {
            end_data(record);
            return CR;
        }
        record->held_back = peeked;
        return CR;
    }
    // A disk file: a lone CR whose LF the peek found becomes that LF.
    if (nothing_stored && peeked == LF) {
        return LF;
    }
    // Otherwise the peeked byte is given back to the file for the next read;
    // an LF there delivers the line end itself. When the file cannot step
    // back, the position stays after the peeked byte: an LF completes the
    // pair here, any other byte is held back for the next read.
    if (seek_handle(handle, -1, FILE_CURRENT) < 0) {
        if (peeked == LF) {
            return LF;
        }
        record->held_back = peeked;
        return CR;
    }
    return peeked == LF ? -1 : CR;
}

// How many bytes of [from, to) come before the first `byte`: all of them
// when there is none.
size_t run_before(const uint8_t* from, const uint8_t* to, uint8_t byte) {
    const uint8_t* found = find_in_run(from, static_cast<size_t>(to - from), byte);
    return static_cast<size_t>((found != nullptr ? found : to) - from);
}

}  // namespace

// The runs between CRs move down over the bytes removed so far; until a byte
// is removed they are already in place, so a read without CR costs no move.
uint32_t translate_input(int32_t handle, uint8_t* buffer, uint32_t placed) {
    HandleRecord* record = handle_record(handle);
    uint8_t* const end = buffer + placed;
    // A Ctrl-Z ends the data of a disk file or pipe, and a console's read.
    // It is rare: the whole read is searched by the library at once.
    void* const ctrl_z = std::memchr(buffer, CTRL_Z, placed);
    uint8_t* const stop = ctrl_z != nullptr ? static_cast<uint8_t*>(ctrl_z) : end;
    if (stop != end && (record->attributes & HANDLE_CHAR_DEVICE) == 0) {
        end_data(record);
    }
    uint8_t* read = buffer;
    uint8_t* write = buffer;
    while (read < stop) {
        const size_t run = run_before(read, stop, CR);
        uint8_t* const cr = read + run;
        if (write != read && run != 0) {
            std::memmove(write, read, run);
        }
        write += run;
        if (cr == stop) {
            break;
        }
        read = cr + 1;
        if (read < end) {
            // CR CR LF keeps the first CR: the second is looked at on its own.
            const bool pair = *read == LF;
            *write++ = pair ? LF : CR;
            read += pair ? 1 : 0;
        } else {
            int stored = resolve_final_cr(handle, record, write == buffer);
            if (stored >= 0) {
                *write++ = static_cast<uint8_t>(stored);
            }
        }
    }
    return static_cast<uint32_t>(write - buffer);
}

}  // namespace lintop
