#include "command/command.h"
#include "command/help.h"
#include "command/origin.h"
#include "stream/streams.h"

namespace lintop {

namespace {

constexpr char USAGE[] = "Usage: lintop [-count] filename\n";

int copy_lines(TextInput* input, int32_t count, uint8_t* line) {
    while (count != 0) {
        --count;
        int32_t length = 0;
        if (read_line_piece(input, line, LINE_BUFFER_SIZE, &length) == nullptr) {
            break;
        }
        // The whole piece, zero bytes inside it included.
        if (write_text(standard_output(), line, static_cast<uint32_t>(length)) == -1) {
            break;
        }
    }
    return STATUS_COPIED;
}

}  // namespace

CopySource copy_source = {nullptr, -1};

int command_main(int argc, char** argv) {
    copy_source = CopySource{nullptr, -1};
    if (argc != 2 && argc != 3) {
        // A refused first line ends the message: what was written stays its first part.
        if (write_message(standard_error(), USAGE) != -1) {
            write_message(standard_error(), ORIGIN);
        }
        return STATUS_USAGE;
    }
    if (argc == 2 && is_help_request(argv[1])) {
        return write_help();
    }
    int file_argument = 1;
    int32_t count = 0;
    if (argc == 3 && (argv[1][0] == '-' || argv[1][0] == '/')) {
        count = parse_count(argv[1] + 1);
        file_argument = 2;
    }
    if (count <= 0) {
        count = DEFAULT_LINE_COUNT;
    }

    TextInput* input = open_text_input(argv[file_argument]);
    copy_source = CopySource{argv[file_argument], input != nullptr ? input->handle : -1};
    if (input == nullptr) {
        report_error(argv[file_argument]);
        return STATUS_OPEN_FAILED;
    }
    uint8_t line[LINE_BUFFER_SIZE];
    return copy_lines(input, count, line);
}

}  // namespace lintop
