#include "startup/command_line.h"

#include <climits>
#include <cstddef>

#include "platform/platform.h"

namespace lintop {

namespace {

// Where the split text goes. The first pass only counts (text and args are
// null); the second fills the block that the count sized.
struct SplitSink {
    char** args;
    char* text;
    size_t argument_count;
    size_t text_size;
};

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

void begin_argument(SplitSink& sink) {
    if (sink.args != nullptr) {
        sink.args[sink.argument_count] = sink.text + sink.text_size;
    }
    ++sink.argument_count;
}

void put_char(SplitSink& sink, char c) {
    if (sink.text != nullptr) {
        sink.text[sink.text_size] = c;
    }
    ++sink.text_size;
}

void end_argument(SplitSink& sink) {
    put_char(sink, '\0');
}

// The program name is a path, where a backslash is a separator, never an escape.
const char* take_program_name(const char* p, SplitSink& sink) {
    begin_argument(sink);
    if (*p == '"') {
        for (++p; *p != '\0' && *p != '"'; ++p) {
            put_char(sink, *p);
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        for (; *p != '\0' && !is_blank(*p); ++p) {
            put_char(sink, *p);
        }
    }
    end_argument(sink);
    return p;
}

// Takes a quote that no backslash escapes. Inside a quoted part, two quotes
// are one literal quote and the part goes on; any other quote opens or closes
// a quoted part. Returns the character after what it took.
const char* take_quote(const char* p, SplitSink& sink, bool& quoted) {
    if (quoted && p[1] == '"') {
        put_char(sink, '"');
        return p + 2;
    }
    quoted = !quoted;
    return p + 1;
}

// Takes a run of backslashes at `p`; returns the character after the run.
const char* take_backslashes(const char* p, SplitSink& sink, bool& quoted) {
    size_t run = 0;
    for (; *p == '\\'; ++p) {
        ++run;
    }
    if (*p != '"') {
        for (size_t i = 0; i < run; ++i) {
            put_char(sink, '\\');
        }
        return p;
    }
    for (size_t i = 0; i < run / 2; ++i) {
        put_char(sink, '\\');
    }
    if (run % 2 == 1) {
        put_char(sink, '"');
        return p + 1;
    }
    return take_quote(p, sink, quoted);
}

const char* take_argument(const char* p, SplitSink& sink) {
    begin_argument(sink);
    bool quoted = false;
    while (*p != '\0' && (quoted || !is_blank(*p))) {
        if (*p == '\\') {
            p = take_backslashes(p, sink, quoted);
        } else if (*p == '"') {
            p = take_quote(p, sink, quoted);
        } else {
            put_char(sink, *p);
            ++p;
        }
    }
    end_argument(sink);
    return p;
}

const char* skip_blanks(const char* p) {
    while (is_blank(*p)) {
        ++p;
    }
    return p;
}

void split_into(const char* line, SplitSink& sink) {
    const char* p = take_program_name(line, sink);
    for (p = skip_blanks(p); *p != '\0'; p = skip_blanks(p)) {
        p = take_argument(p, sink);
    }
}

}  // namespace

int split_command_line(const char* line, char*** argv_out) {
    if (line == nullptr) {
        line = "";
    }
    SplitSink measure{nullptr, nullptr, 0, 0};
    split_into(line, measure);
    // An argument count that an int cannot hold is as unattainable as its memory.
    if (measure.argument_count >= static_cast<size_t>(INT_MAX)) {
        return -1;
    }
    const size_t pointer_bytes = (measure.argument_count + 1) * sizeof(char*);
    void* block = HeapAlloc(GetProcessHeap(), 0, pointer_bytes + measure.text_size);
    if (block == nullptr) {
        return -1;
    }
    char** args = static_cast<char**>(block);
    SplitSink fill{args, static_cast<char*>(block) + pointer_bytes, 0, 0};
    split_into(line, fill);
    args[fill.argument_count] = nullptr;
    *argv_out = args;
    return static_cast<int>(fill.argument_count);
}

}  // namespace lintop
