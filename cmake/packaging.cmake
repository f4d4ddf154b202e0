# Install rules and packages.
#
# `cmake --install` lays out bin/lintop (lintop.exe on Windows), the manual
# page and the README for the platform's users (doc/README.in) under the
# prefix; the checkout's README.md is for those who build lintop, and stays
# there. The packages take their own selection
# of install components, because each wants a layout of its own:
#   - the Debian package (a native build, or a cross build for Linux on
#     another processor): the program under /usr, the manual page
#     compressed, the machine-readable copyright file and the changelog;
#   - the Windows zip (mingw-w64 build): lintop.exe, README.txt, lintop.txt
#     (the manual page as plain text) and LICENSE.txt side by side, the text
#     files with CR LF line ends (cmake/zip-texts.cmake).
# The generated files are made at configure time; their sources are listed as
# configure dependencies, so an edit to one of them reconfigures. The manual
# page, the changelog and the READMEs come from cmake/version.cmake, with the
# version in.

include(GNUInstallDirs)

set(LINTOP_PACKAGE_DIR ${PROJECT_BINARY_DIR}/package-files)
file(MAKE_DIRECTORY ${LINTOP_PACKAGE_DIR})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)

install(TARGETS lintop RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
install(FILES ${LINTOP_GENERATED_DIR}/lintop.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT docs)
if(WIN32)
    set(LINTOP_README ${LINTOP_GENERATED_DIR}/README.txt)
else()
    set(LINTOP_README ${LINTOP_GENERATED_DIR}/README)
endif()
install(FILES ${LINTOP_README} DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT docs)

set(CPACK_PACKAGE_NAME lintop)
set(CPACK_PACKAGE_VENDOR "lintop developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "lintop copies the first lines of one text file (20 unless a count is\n\
given) to standard output, in text mode: every line leaves with a CR LF\n\
line end, and a Ctrl-Z byte ends the data.")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

if(WIN32)
    # The texts are made as the zip is, by the component's first install
    # rule, so that only packaging needs mandoc for the manual's text.
    install(CODE "
        set(LINTOP_GENERATED_DIR \"${LINTOP_GENERATED_DIR}\")
        set(LINTOP_PACKAGE_DIR \"${LINTOP_PACKAGE_DIR}\")
        set(LINTOP_LICENSE \"${PROJECT_SOURCE_DIR}/LICENSE\")
        include(\"${PROJECT_SOURCE_DIR}/cmake/zip-texts.cmake\")"
        COMPONENT zip EXCLUDE_FROM_ALL)
    install(TARGETS lintop RUNTIME DESTINATION . COMPONENT zip EXCLUDE_FROM_ALL)
    install(FILES ${LINTOP_PACKAGE_DIR}/README.txt ${LINTOP_PACKAGE_DIR}/lintop.txt
        ${LINTOP_PACKAGE_DIR}/LICENSE.txt DESTINATION . COMPONENT zip EXCLUDE_FROM_ALL)

    # lintop.exe is stripped as it is linked (CMakeLists.txt): strip would
    # write the time into its header.
    set(CPACK_GENERATOR ZIP)
    set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};lintop;zip;/")
else()
    # Debian wants manual pages compressed with gzip -9n (no name or time
    # stamp, so that the package builds reproducibly), the copyright file in
    # the machine-readable format, and the changelog compressed the same way.
    execute_process(COMMAND gzip -9n -c ${LINTOP_GENERATED_DIR}/lintop.1
        OUTPUT_FILE ${LINTOP_PACKAGE_DIR}/lintop.1.gz COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND gzip -9n -c ${LINTOP_GENERATED_DIR}/changelog
        OUTPUT_FILE ${LINTOP_PACKAGE_DIR}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)

    # The licence paragraph: LICENSE's permission notice, each line indented
    # by one space and each empty line written as " .".
    file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
    string(FIND "${licence}" "Permission is hereby granted" notice_start)
    string(SUBSTRING "${licence}" ${notice_start} -1 notice)
    string(STRIP "${notice}" notice)
    string(REPLACE "\n\n" "\n.\n" notice "${notice}")
    string(REPLACE "\n" "\n " notice "${notice}")
    file(WRITE ${LINTOP_PACKAGE_DIR}/copyright
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
        "Upstream-Name: lintop\n"
        "\n"
        "Files: *\n"
        "Copyright: 2026 lintop developers\n"
        "License: Expat\n"
        " ${notice}\n")

    install(FILES ${LINTOP_PACKAGE_DIR}/lintop.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT deb EXCLUDE_FROM_ALL)
    install(FILES ${LINTOP_README} ${LINTOP_PACKAGE_DIR}/copyright ${LINTOP_PACKAGE_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT deb EXCLUDE_FROM_ALL)

    set(LINTOP_MAINTAINER "lintop developers <lintop@example.org>"
        CACHE STRING "Maintainer field of the Debian package")
    set(CPACK_STRIP_FILES ON)
    set(CPACK_GENERATOR DEB)
    set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};lintop;program;/;${PROJECT_BINARY_DIR};lintop;deb;/")
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LINTOP_MAINTAINER}")
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

    # A cross build's package is for its target: the toolchain file names its
    # Debian architecture and sysroot (cmake/linux-cross-common.cmake), where
    # CPack would take this machine's architecture.
    if(CMAKE_CROSSCOMPILING)
        if(NOT LINTOP_DEBIAN_ARCHITECTURE)
            message(WARNING "the toolchain file sets no LINTOP_DEBIAN_ARCHITECTURE: "
                "cpack would label the Debian package with this machine's architecture")
        endif()
        set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${LINTOP_DEBIAN_ARCHITECTURE})
        set(CPACK_LINTOP_LIBRARY_DIRS ${LINTOP_CROSS_SYSROOT}/lib)
    endif()
    # The dependencies: dpkg-shlibdeps over the program, run by
    # cmake/deb-depends.cmake as cpack starts, in place of CPack's own run,
    # whose result in a cross build names this machine's cross packages.
    set(CPACK_LINTOP_PROGRAM ${PROJECT_BINARY_DIR}/lintop)
    set(CPACK_LINTOP_BINARY_DIR ${PROJECT_BINARY_DIR})
    set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/deb-depends.cmake)
endif()

include(CPack)
