# Cross build of lintop for Linux on 64-bit ARM (arm64), run under qemu-user.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(LINUX_TRIPLET aarch64-linux-gnu)
set(QEMU_NAME qemu-aarch64)
set(LINTOP_DEBIAN_ARCHITECTURE arm64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross-common.cmake)
