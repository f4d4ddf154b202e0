# The Windows zip's texts, written into LINTOP_PACKAGE_DIR when the zip is
# made (an install rule of its component includes this file): README.txt,
# made for Windows users from doc/README.in; lintop.txt, the manual page
# rendered as plain text by mandoc; and LICENSE.txt. Each gets CR LF line
# ends, which Notepad and the console show as meant.
# Takes LINTOP_GENERATED_DIR, LINTOP_PACKAGE_DIR and LINTOP_LICENSE.

# write_crlf NAME TEXT: TEXT, its line feeds grown to CR LF, as NAME.
function(write_crlf name text)
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${LINTOP_PACKAGE_DIR}/${name} "${text}")
endfunction()

find_program(LINTOP_MANDOC mandoc)
if(NOT LINTOP_MANDOC)
    message(FATAL_ERROR "the zip's lintop.txt is rendered by mandoc: tools/install-deps.sh package installs it")
endif()
execute_process(COMMAND ${LINTOP_MANDOC} -T ascii ${LINTOP_GENERATED_DIR}/lintop.1
    OUTPUT_VARIABLE manual COMMAND_ERROR_IS_FATAL ANY)
# mandoc shows bold and underlined letters by overstriking ("x", backspace,
# "x" and "_", backspace, "x"): plain text keeps the letter after each backspace.
string(ASCII 8 backspace)
string(REGEX REPLACE ".${backspace}" "" manual "${manual}")
write_crlf(lintop.txt "${manual}")

file(READ ${LINTOP_GENERATED_DIR}/README.txt readme)
write_crlf(README.txt "${readme}")
file(READ ${LINTOP_LICENSE} licence)
write_crlf(LICENSE.txt "${licence}")
