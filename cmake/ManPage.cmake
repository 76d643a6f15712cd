# Writes a section 1 manual page from a program's --help text, gzip-compressed.
#   cmake -DPROGRAM=... -DNAME=kasctl -DSUMMARY="..." -DVERSION=1.0.1 -DOUT=kasctl.1.gz -P ManPage.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc
  ENCODING UTF-8)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed (${rc})")
endif()
string(REPLACE "\\" "\\e" help "${help}")
# Lines starting with a dot or an apostrophe would be taken for requests.
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(TOUPPER "${NAME}" upper)
file(WRITE ${OUT}.tmp
".TH ${upper} 1 \"\" \"${NAME} ${VERSION}\" \"User Commands\"
.SH NAME
${NAME} \\- ${SUMMARY}
.SH DESCRIPTION
The text below is what
.B ${NAME} \\-\\-help
prints.
.PP
.nf
${help}.fi
.SH FILES
.TP
.I ~/.kasdrv/dosdevices/comN
the device of port N (a link), unless
.B KASDRV_DEVICES
names another directory; without such an entry port N is /dev/ttyS<N\\-1>.
.SH SEE ALSO
.BR kasctl (1),
.BR kasemu (1),
.BR kasmon (1),
/usr/share/doc/libkasdrv-dev/guide.md
")
find_program(GZIP gzip REQUIRED)
execute_process(COMMAND ${GZIP} -9nf ${OUT}.tmp RESULT_VARIABLE rc)
file(RENAME ${OUT}.tmp.gz ${OUT})
