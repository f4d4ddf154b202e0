# Cross build of lintop for Linux on big-endian 64-bit IBM Z (s390x), run under qemu-user.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(LINUX_TRIPLET s390x-linux-gnu)
set(QEMU_NAME qemu-s390x)
set(LINTOP_DEBIAN_ARCHITECTURE s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross-common.cmake)
