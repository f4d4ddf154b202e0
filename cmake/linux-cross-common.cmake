# A Linux cross toolchain: Debian's cross compiler for LINUX_TRIPLET, and
# qemu-user (QEMU_NAME) as the emulator that runs the built programs here,
# the target's libraries taken from Debian's cross sysroot. The toolchain
# files linux-*.cmake set the two names, the processor and the target's
# Debian architecture (LINTOP_DEBIAN_ARCHITECTURE, which the Debian package
# is labelled with, and its dependencies looked up for) before they include
# this. The emulator is named on each run, never registered with the kernel.

set(CMAKE_SYSTEM_NAME Linux)

find_program(CMAKE_C_COMPILER NAMES ${LINUX_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${LINUX_TRIPLET}-g++ REQUIRED)

set(LINTOP_CROSS_SYSROOT /usr/${LINUX_TRIPLET})
# Only the tests run programs here: a build without them (a package's), and
# CMake's own checks of the compiler, can be made where qemu-user is missing.
get_property(in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(in_try_compile OR (DEFINED LINTOP_TESTS AND NOT LINTOP_TESTS))
    find_program(LINTOP_QEMU NAMES ${QEMU_NAME})
else()
    find_program(LINTOP_QEMU NAMES ${QEMU_NAME} REQUIRED)
endif()
if(LINTOP_QEMU)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${LINTOP_QEMU} -L ${LINTOP_CROSS_SYSROOT})
endif()

# Libraries and headers come from the cross sysroot only; build tools from the host.
set(CMAKE_FIND_ROOT_PATH ${LINTOP_CROSS_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
