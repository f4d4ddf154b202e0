# A Linux cross toolchain: Debian's cross compiler for LINUX_TRIPLET, and
# qemu-user (QEMU_NAME) as the emulator that runs the built programs here,
# the target's libraries taken from Debian's cross sysroot. The toolchain
# files linux-*.cmake set the two names and the processor before they include
# this. The emulator is named on each run, never registered with the kernel.

set(CMAKE_SYSTEM_NAME Linux)

find_program(CMAKE_C_COMPILER NAMES ${LINUX_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${LINUX_TRIPLET}-g++ REQUIRED)

set(LINTOP_CROSS_SYSROOT /usr/${LINUX_TRIPLET})
find_program(LINTOP_QEMU NAMES ${QEMU_NAME} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${LINTOP_QEMU} -L ${LINTOP_CROSS_SYSROOT})

# Libraries and headers come from the cross sysroot only; build tools from the host.
set(CMAKE_FIND_ROOT_PATH ${LINTOP_CROSS_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
