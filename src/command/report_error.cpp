#include <algorithm>
#include <cstring>

#include "command/command.h"
#include "stream/error.h"
#include "stream/handles.h"

namespace lintop {

namespace {

constexpr int32_t STDERR_HANDLE = 2;
constexpr char STANDARD_OUTPUT_NAME[] = "standard output";

void write_straight(const char* text, size_t length) {
    write_handle(STDERR_HANDLE, reinterpret_cast<const uint8_t*>(text), static_cast<uint32_t>(length));
}

void write_straight(const char* text) {
    write_straight(text, std::strlen(text));
}

bool is_control(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return value < 0x20 || value == 0x7F;
}

// A name is the user's bytes: a control byte in it could steer the terminal
// or break the report's one line, so it is shown as '?'. A name without one
// goes out in one write, as it stands.
void write_name(const char* name) {
    const size_t length = std::strlen(name);
    const char* const end = name + length;
    if (std::find_if(name, end, is_control) == end) {
        write_straight(name, length);
        return;
    }
    char shown[256];
    while (name < end) {
        const size_t piece = std::min(sizeof shown, static_cast<size_t>(end - name));
        std::replace_copy_if(name, name + piece, shown, is_control, '?');
        write_straight(shown, piece);
        name += piece;
    }
}

}  // namespace

// Straight to the handle, not through the standard error stream, so the
// report cannot be held back in a buffer. Results are of no use here, but a
// refused write sets error_number: the reason is taken before the first.
void report_error(const char* name) {
    const char* const reason = error_text(error_number);
    if (name != nullptr && name[0] != '\0') {
        write_name(name);
        write_straight(": ");
    }
    write_straight(reason);
    write_straight("\n");
}

// Only a run that copied can have been cut short; a failed read names the
// file, anything else is a write to standard output.
int report_copy_failure(int status) {
    if (status != STATUS_COPIED || !first_failure.seen) {
        return status;
    }
    error_number = first_failure.number;
    const bool input_failed = copy_source.handle >= 0 && first_failure.handle == copy_source.handle;
    report_error(input_failed ? copy_source.name : STANDARD_OUTPUT_NAME);
    return STATUS_COPY_FAILED;
}

}  // namespace lintop
