# Renders a man page as plain text for the Windows zip: groff's ASCII
# output without bold, underline or overstrikes, its lines ended in CR LF.
#
# usage: cmake -DGROFF=groff -DPAGE=imgtrell.1 -DOUT=imgtrell.txt -P mantext.cmake
execute_process(COMMAND "${GROFF}" -man -Tascii -P-cbou "${PAGE}"
                OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT errors STREQUAL "" OR text STREQUAL "")
  message(FATAL_ERROR "groff could not render ${PAGE} (status ${status}): ${errors}")
endif()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
