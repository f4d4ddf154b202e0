# The Debian package's Depends field, from dpkg-shlibdeps over the built
# program; cpack reads this (CPACK_PROJECT_CONFIG_FILE) before it makes the
# package. A cross build's libraries are found in Debian's cross sysroot
# (CPACK_LINTOP_LIBRARY_DIRS), and belong to its cross packages, whose shlibs
# and symbols files name each dependency by the target's package as this
# machine installs it: "libc6:arm64", "libgcc-s1-armhf-cross". On the target
# that is the package of the plain name (libc6, libgcc-s1), which is what the
# native package names too; the symbols' versions are the same.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()

# dpkg-shlibdeps runs in a package's source tree: it reads debian/control.
set(scratch ${CPACK_LINTOP_BINARY_DIR}/shlibdeps)
file(REMOVE_RECURSE ${scratch})
file(WRITE ${scratch}/debian/control "")
set(search)
foreach(dir IN LISTS CPACK_LINTOP_LIBRARY_DIRS)
    list(APPEND search -l${dir})
endforeach()
# The target's architecture picks its objdump and its library folders.
set(target)
if(CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    set(target DEB_HOST_ARCH=${CPACK_DEBIAN_PACKAGE_ARCHITECTURE})
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${target} dpkg-shlibdeps -O ${search} ${CPACK_LINTOP_PROGRAM}
    WORKING_DIRECTORY ${scratch} OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
file(REMOVE_RECURSE ${scratch})
if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-shlibdeps failed on ${CPACK_LINTOP_PROGRAM}:\n${errors}")
endif()

string(REGEX MATCH "shlibs:Depends=[^\n]*" depends "${output}")
string(REPLACE "shlibs:Depends=" "" depends "${depends}")
if(CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    string(REGEX REPLACE "(:${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}|-${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}-cross)( |,|$)"
        "\\2" depends "${depends}")
endif()

# Every Linux build of lintop links the C library at least.
if(depends STREQUAL "")
    message(FATAL_ERROR "dpkg-shlibdeps found no dependency of ${CPACK_LINTOP_PROGRAM}:\n${errors}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${depends}")
