# Cross build of lintop for Linux on 32-bit ARM with hardware floating point (armhf), run under qemu-user.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(LINUX_TRIPLET arm-linux-gnueabihf)
set(QEMU_NAME qemu-arm)
set(LINTOP_DEBIAN_ARCHITECTURE armhf)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross-common.cmake)
