// The simulated platform: the state, the handle table and the functions that
// tests call (sim.h). The platform calls themselves are in sim_platform.cpp.
#include "sim/sim.h"

#include <cstdlib>

#include "sim/sim_state.h"

namespace sim::internal {

State state;

namespace {
// Handle values: small, distinct, never null nor INVALID_HANDLE_VALUE.
constexpr uintptr_t FIRST_HANDLE = 0x100;
constexpr uintptr_t HANDLE_STEP = 4;
}  // namespace

HANDLE new_handle(size_t object, uint64_t position) {
    state.handles.push_back({object, position, true});
    return reinterpret_cast<HANDLE>(FIRST_HANDLE + HANDLE_STEP * (state.handles.size() - 1));
}

HandleEntry* entry_of(HANDLE h) {
    const auto value = reinterpret_cast<uintptr_t>(h);
    if (value < FIRST_HANDLE || (value - FIRST_HANDLE) % HANDLE_STEP != 0) {
        return nullptr;
    }
    const size_t index = (value - FIRST_HANDLE) / HANDLE_STEP;
    return index < state.handles.size() ? &state.handles[index] : nullptr;
}

HandleEntry* open_entry(HANDLE h) {
    HandleEntry* entry = entry_of(h);
    return entry != nullptr && entry->open ? entry : nullptr;
}

uint64_t disk_size(const Object& disk) {
    return disk.start + disk.data.size();
}

}  // namespace sim::internal

namespace sim {

using internal::entry_of;
using internal::HandleEntry;
using internal::Kind;
using internal::Object;
using internal::state;

namespace {

const Object* object_of(HANDLE h) {
    const HandleEntry* entry = entry_of(h);
    return entry != nullptr ? &state.objects[entry->object] : nullptr;
}

HANDLE add_object(const Object& object, uint64_t position = 0) {
    state.objects.push_back(object);
    return internal::new_handle(state.objects.size() - 1, position);
}

}  // namespace

const char* call_name(Call call) {
    switch (call) {
        case Call::CreateFileA:
            return "CreateFileA";
        case Call::ReadFile:
            return "ReadFile";
        case Call::WriteFile:
            return "WriteFile";
        case Call::SetFilePointer:
            return "SetFilePointer";
        case Call::GetFileType:
            return "GetFileType";
        case Call::GetStdHandle:
            return "GetStdHandle";
        case Call::GetStartupInfoA:
            return "GetStartupInfoA";
        case Call::CloseHandle:
            return "CloseHandle";
        case Call::HeapAlloc:
            return "HeapAlloc";
        case Call::ExitProcess:
            return "ExitProcess";
    }
    return "?";
}

void reset() {
    for (void* block : state.heap_blocks) {
        std::free(block);
    }
    state = internal::State{};
}

HANDLE make_disk(const std::string& data, uint64_t start) {
    Object disk;
    disk.kind = Kind::Disk;
    disk.data = data;
    disk.start = start;
    return add_object(disk, start);
}

HANDLE make_console(const std::vector<std::string>& lines) {
    Object console;
    console.kind = Kind::Console;
    console.lines.assign(lines.begin(), lines.end());
    return add_object(console);
}

HANDLE make_refusing_device(DWORD code) {
    Object device;
    device.kind = Kind::Refusing;
    device.refusal = code;
    return add_object(device);
}

HANDLE make_pipe(const std::string& data, bool writer_closed, bool reader_closed) {
    Object pipe;
    pipe.kind = Kind::Pipe;
    pipe.data = data;
    pipe.writer_closed = writer_closed;
    pipe.reader_closed = reader_closed;
    return add_object(pipe);
}

HANDLE make_unknown() {
    return add_object(Object{});
}

void name_file(const std::string& name, HANDLE h) {
    const HandleEntry* entry = entry_of(h);
    if (entry != nullptr) {
        state.names[name] = {entry->object, false, NO_ERROR};
    }
}

void refuse_name(const std::string& name, DWORD code) {
    state.names[name] = {0, true, code};
}

void set_std_handle(DWORD which, HANDLE h) {
    state.std_handles[which] = h;
}

void set_reserved_block(const std::vector<uint8_t>& block) {
    state.reserved_blocks.push_back(block);
}

void plan(const Fault& fault) {
    state.faults.push_back(fault);
}

bool other_end_gone(const Fault& fault) {
    if (fault.take >= 0) {
        return false;
    }
    if (fault.call == Call::ReadFile) {
        return fault.code == ERROR_BROKEN_PIPE;
    }
    return fault.call == Call::WriteFile &&
           (fault.code == ERROR_BROKEN_PIPE || fault.code == ERROR_NO_DATA || fault.code == ERROR_PIPE_NOT_CONNECTED);
}

std::string written(HANDLE h) {
    const Object* object = object_of(h);
    return object != nullptr ? object->written : std::string{};
}

std::string contents(HANDLE h) {
    const Object* object = object_of(h);
    if (object == nullptr || object->kind != Kind::Disk) {
        return {};
    }
    return std::string(static_cast<size_t>(object->start), '\0') + object->data;
}

uint64_t position(HANDLE h) {
    const HandleEntry* entry = entry_of(h);
    return entry != nullptr ? entry->position : 0;
}

const std::vector<CallRecord>& log() {
    return state.log;
}

std::vector<CallRecord> calls(Call call) {
    std::vector<CallRecord> found;
    for (const CallRecord& r : state.log) {
        if (r.call == call) {
            found.push_back(r);
        }
    }
    return found;
}

std::vector<int64_t> write_sizes(HANDLE h) {
    std::vector<int64_t> sizes;
    for (const CallRecord& r : state.log) {
        if (r.call == Call::WriteFile && (h == nullptr || r.handle == h)) {
            sizes.push_back(r.requested);
        }
    }
    return sizes;
}

size_t log_size() {
    return state.log.size();
}

}  // namespace sim
