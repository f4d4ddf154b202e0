# The files that carry project()'s version and description, made from their
# templates (`@NAME@` replaced) in the build folder at configure time:
#   command/origin.h      the help's and the usage message's origin line
#   version.rc            lintop.exe's version resource
#   lintop.exe.manifest   lintop.exe's application manifest (Windows builds)
#   lintop.1              the manual page
#   README.txt            the Windows zips' README
#   README                the README installed on Linux
#   changelog             the Debian package's changelog
# configure_file rewrites a file only when its text changes, and reconfigures
# when a template changes.

# The resource's forms of the version: the four numbers joined by "," for its
# numeric fields and by ", " for its strings, as Windows' own programs write them.
set(LINTOP_VERSION_PARTS ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH}
    ${PROJECT_VERSION_TWEAK})
list(JOIN LINTOP_VERSION_PARTS "," LINTOP_VERSION_NUMBERS)
list(JOIN LINTOP_VERSION_PARTS ", " LINTOP_VERSION_TEXT)

# The description starts with a capital where it stands alone (the file's
# properties on Windows) and with a small letter in running text.
string(SUBSTRING "${PROJECT_DESCRIPTION}" 0 1 first_letter)
string(SUBSTRING "${PROJECT_DESCRIPTION}" 1 -1 rest)
string(TOUPPER "${first_letter}" first_letter)
set(LINTOP_FILE_DESCRIPTION "${first_letter}${rest}")

# configure_readme PLATFORM OTHER NAME: the README for PLATFORM's users, from
# the one template that keeps both platforms' READMEs in step: its lines that
# begin with [PLATFORM] are kept without that mark, those with [OTHER] left out.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/doc/README.in)
function(configure_readme platform other name)
    file(READ ${PROJECT_SOURCE_DIR}/doc/README.in text)
    string(REGEX REPLACE "\n\\[${other}\\][^\n]*" "" text "${text}")
    string(REPLACE "\n[${platform}]" "\n" text "${text}")
    file(CONFIGURE OUTPUT ${LINTOP_GENERATED_DIR}/${name} CONTENT "${text}" @ONLY)
endfunction()

configure_file(src/command/origin.h.in ${LINTOP_GENERATED_DIR}/command/origin.h @ONLY)
configure_file(src/startup/version.rc.in ${LINTOP_GENERATED_DIR}/version.rc @ONLY)

# The manifest names the processor that lintop.exe is built for, as Windows
# writes it: x86 for the 32-bit build, amd64 for the 64-bit one.
if(WIN32)
    string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" processor)
    if(processor MATCHES "^(x86_64|amd64)$")
        set(LINTOP_MANIFEST_ARCHITECTURE amd64)
    elseif(processor MATCHES "^(x86|i[3-6]86)$")
        set(LINTOP_MANIFEST_ARCHITECTURE x86)
    else()
        message(FATAL_ERROR "no manifest architecture for the processor \"${CMAKE_SYSTEM_PROCESSOR}\"")
    endif()
    configure_file(src/startup/lintop.exe.manifest.in ${LINTOP_GENERATED_DIR}/lintop.exe.manifest @ONLY)
endif()

configure_file(doc/lintop.1.in ${LINTOP_GENERATED_DIR}/lintop.1 @ONLY)
configure_readme(Windows Linux README.txt)
configure_readme(Linux Windows README)
configure_file(cmake/debian/changelog.in ${LINTOP_GENERATED_DIR}/changelog @ONLY)
