#include <cstring>

#include "command/command.h"
#include "stream/error.h"
#include "stream/handles.h"

namespace lintop {

namespace {

constexpr int32_t STDERR_HANDLE = 2;

void write_straight(const char* text) {
    write_handle(STDERR_HANDLE, reinterpret_cast<const uint8_t*>(text), static_cast<uint32_t>(std::strlen(text)));
}

}  // namespace

// Straight to the handle, not through the standard error stream, so the
// report cannot be held back in a buffer. Results are of no use here.
void report_error(const char* name) {
    if (name != nullptr && name[0] != '\0') {
        write_straight(name);
        write_straight(": ");
    }
    write_straight(error_text(error_number));
    write_straight("\n");
}

}  // namespace lintop
