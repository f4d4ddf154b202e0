// Stream slots and the one record shape of both directions: TextInput for the
// file being read, TextOutput for standard output and standard error.
#pragma once

#include <cstdint>

constexpr int32_t MAX_OPEN_STREAMS = 512;
constexpr int32_t STREAM_BUFFER_SIZE = 4096;
constexpr int32_t FALLBACK_BUFFER_SIZE = 2;

constexpr int32_t STDIN_SLOT = 0;
constexpr int32_t STDOUT_SLOT = 1;
constexpr int32_t STDERR_SLOT = 2;

// State flags.
constexpr uint32_t STREAM_READING = 0x0001;
constexpr uint32_t STREAM_WRITING = 0x0002;
constexpr uint32_t STREAM_END_SEEN = 0x0010;
constexpr uint32_t STREAM_ERROR_SEEN = 0x0020;
constexpr uint32_t STREAM_OWN_BUFFER = 0x0100;
constexpr uint32_t STREAM_LENT_BUFFER = 0x0200;
constexpr uint32_t STREAM_TEMPORARY = 0x0400;
constexpr uint32_t STREAM_FALLBACK = 0x0800;

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

// Reading.
TextInput* open_text_input(const char* name);
int fill_buffer(TextInput* input);
// `length` receives the piece's length, zero bytes inside it included.
uint8_t* read_line_piece(uint8_t* buffer, int32_t size, TextInput* input, int32_t* length);

// Writing.
int write_text(const char* text, TextOutput* output);
int write_text(const uint8_t* bytes, uint32_t length, TextOutput* output);
int32_t write_message(TextOutput* output, const char* message);
uint32_t write_bytes(TextOutput* output, const uint8_t* bytes, uint32_t count);
int put_byte(uint8_t byte, TextOutput* output);
int flush_and_put(uint8_t byte, TextOutput* output);
int flush_stream(StreamRecord* stream);
int begin_temporary_buffer(TextOutput* output);
void end_temporary_buffer(int installed, TextOutput* output);

// Start-up and exit.
bool provide_standard_streams();
void classify_standard_handles();
void take_inherited_handles();
void flush_all_streams();
