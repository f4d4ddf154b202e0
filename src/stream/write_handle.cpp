#include "stream/error.h"
#include "stream/handles.h"
#include "stream/translate.h"

namespace lintop {

namespace {

TranslatedWrite write_untranslated(HANDLE file, const uint8_t* bytes, uint32_t count) {
    DWORD sent = 0;
    if (!WriteFile(file, bytes, count, &sent, nullptr)) {
        return {0, 0, true, GetLastError()};
    }
    return {sent, sent, false, 0};
}

// A write that lost bytes: the reason is the failed call's code, or no room
// when the platform took less than it was given without failing. A reader
// that went away chose to take no more: nothing of ours was lost.
void fail_write(int32_t handle, const TranslatedWrite& result) {
    if (result.failed) {
        map_transfer_error(result.code);
    } else {
        set_error(error_numbers::NOSPC);
    }
    if (!reader_went_away(system_error_code)) {
        note_transfer_failure(handle);
    }
}

}  // namespace

// Returns the count written when the platform took anything (a later chunk's
// failure then shows only in a count short of `count`), 0 for a Ctrl-Z that a
// device swallowed, or -1 with error_number set. Every write that lost bytes
// is noted for the report at exit.
int32_t write_handle(int32_t handle, const uint8_t* bytes, uint32_t count) {
    HandleRecord* record = handle_in_use(handle);
    if (record == nullptr) {
        set_error(error_numbers::BADF);
        note_transfer_failure(handle);
        return -1;
    }
    if (count == 0) {
        return 0;
    }
    if ((record->attributes & HANDLE_APPEND) != 0) {
        seek_handle(handle, 0, FILE_END);
    }

    TranslatedWrite result = (record->attributes & HANDLE_TEXT_MODE) != 0
                                 ? write_translated(handle, bytes, count)
                                 : write_untranslated(record->platform_handle, bytes, count);
    if (result.accepted > 0) {
        if (result.count < count) {
            fail_write(handle, result);
        }
        return static_cast<int32_t>(result.count);
    }
    if (!result.failed && (record->attributes & HANDLE_CHAR_DEVICE) != 0 && bytes[0] == CTRL_Z) {
        return 0;
    }
    fail_write(handle, result);
    return -1;
}

}  // namespace lintop
