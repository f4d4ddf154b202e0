// Stream slots and the one record shape of both directions: TextInput for the
// file being read, TextOutput for standard output and standard error.
#pragma once

#include <cstdint>

namespace lintop {

constexpr int32_t MAX_OPEN_STREAMS = 512;
constexpr int32_t STREAM_BUFFER_SIZE = 4096;
constexpr int32_t FALLBACK_BUFFER_SIZE = 2;

// The standard streams' slots; the input file takes the next free one.
constexpr int32_t STDIN_SLOT = 0, STDOUT_SLOT = 1, STDERR_SLOT = 2;

// State flags, combined in StreamRecord::state.
enum StreamState : uint32_t {
    STREAM_READING = 0x0001,
    STREAM_WRITING = 0x0002,
    STREAM_END_SEEN = 0x0010,
    STREAM_ERROR_SEEN = 0x0020,
    STREAM_OWN_BUFFER = 0x0100,
    STREAM_LENT_BUFFER = 0x0200,
    STREAM_TEMPORARY = 0x0400,
    STREAM_FALLBACK = 0x0800,
};

struct StreamRecord {
    uint8_t* next;  // the next byte to take, or the place for the next byte to put
    int32_t left;   // unread bytes from next on (reading); room from next on (writing)
    uint8_t* buffer;
    uint32_t state;
    int32_t handle;           // -1 while being set up, or for a missing standard handle
    uint8_t small_buffer[4];  // its first FALLBACK_BUFFER_SIZE bytes are the fallback buffer
    int32_t buffer_size;
};

using TextInput = StreamRecord;
using TextOutput = StreamRecord;

struct StreamTable {
    StreamRecord* slots[MAX_OPEN_STREAMS];
};

extern StreamTable stream_table;

// The lowest free slot, its record obtained when first taken, reset; null when
// every slot is open or the memory cannot be had.
StreamRecord* take_stream_slot();

// The standard streams, set up at start-up.
inline TextOutput* standard_output() {
    return stream_table.slots[STDOUT_SLOT];
}
inline TextOutput* standard_error() {
    return stream_table.slots[STDERR_SLOT];
}

// Every stream function takes its stream first. Bytes are 0 to 255; -1 is
// the end indication or a failure, with error_number set where a platform or
// handle call failed.

// Reading.
TextInput* open_text_input(const char* name);  // the stream, or null with error_number set
int fill_buffer(TextInput* input);             // the first new byte, or -1 at end of data or on failure
// `length` receives the piece's length, zero bytes inside it included.
uint8_t* read_line_piece(TextInput* input, uint8_t* buffer, int32_t size,
                         int32_t* length);  // `buffer`, or null at end of data, on failure or for size <= 0

// Writing.
int write_text(TextOutput* output, const char* text);                       // 0 when every byte was accepted, else -1
int write_text(TextOutput* output, const uint8_t* bytes, uint32_t length);  // 0 when all accepted, else -1
int32_t write_message(TextOutput* output, const char* message);  // the bytes written, or -1 when one was refused
uint32_t write_bytes(TextOutput* output, const uint8_t* bytes, uint32_t count);  // the bytes accepted
int put_byte(TextOutput* output, uint8_t byte);                                  // the byte, or -1
int flush_and_put(TextOutput* output, uint8_t byte);                             // the byte, or -1
int flush_stream(StreamRecord* stream);                                          // 0, or -1 when the write-out failed
bool begin_temporary_buffer(TextOutput* output);                // whether a temporary buffer was installed
void end_temporary_buffer(TextOutput* output, bool installed);  // writes it out and removes it

// Start-up and exit.
// The handle and stream tables, the temporary buffers and the error state as
// at process start. The blocks that they held are not released: the owner of
// the heap (the process, or a test's simulated platform) takes them back.
void reset_stream_layer();
bool provide_standard_streams();
void classify_standard_handles();
void take_inherited_handles();
void flush_all_streams();

}  // namespace lintop
