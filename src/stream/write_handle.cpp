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

}  // namespace

// Returns the count written when the platform took anything (a later chunk's
// failure is then not reported), 0 for a Ctrl-Z that a device swallowed, or
// -1 with error_number set.
int32_t write_handle(int32_t handle, const uint8_t* bytes, uint32_t count) {
    HandleRecord* record = handle_in_use(handle);
    if (record == nullptr) {
        set_error(error_numbers::BADF);
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
        return static_cast<int32_t>(result.count);
    }
    if (result.failed) {
        map_transfer_error(result.code);
        return -1;
    }
    if ((record->attributes & HANDLE_CHAR_DEVICE) != 0 && bytes[0] == CTRL_Z) {
        return 0;
    }
    set_error(error_numbers::NOSPC);
    return -1;
}

}  // namespace lintop
