// What lintop writes for a file, by the text rules alone: the reference of the
// copy fuzzer and of the exhaustive copy check. It knows nothing of reads,
// buffers or handles, so that their edges cannot hide in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace test_support {

constexpr size_t MODEL_PIECE_LIMIT = 4095;
constexpr int32_t MODEL_DEFAULT_COUNT = 20;

// Text mode on reading a disk file or a pipe: a CR LF pair is one LF, and a
// Ctrl-Z ends the data. Every other byte, NUL and a lone CR included, is data.
inline std::string text_of(std::string_view data) {
    std::string text;
    for (size_t i = 0; i < data.size() && data[i] != '\x1a'; ++i) {
        const bool pair = data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n';
        if (!pair) {
            text += data[i];
        }
    }
    return text;
}

// The first `count` pieces of the text (a piece ends after an LF or at 4095
// bytes; a count of 0 or less is the default), each LF written as CR LF.
inline std::string model_output(std::string_view data, int32_t count) {
    const std::string text = text_of(data);
    int32_t pieces = count > 0 ? count : MODEL_DEFAULT_COUNT;
    std::string out;
    size_t in_piece = 0;
    for (size_t i = 0; i < text.size() && pieces > 0; ++i) {
        if (text[i] == '\n') {
            out += '\r';
        }
        out += text[i];
        ++in_piece;
        if (text[i] == '\n' || in_piece == MODEL_PIECE_LIMIT) {
            --pieces;
            in_piece = 0;
        }
    }
    return out;
}

}  // namespace test_support
