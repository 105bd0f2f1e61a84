# Writes a UTF-8 text file as Windows text: with a byte order mark, so that
# every Notepad reads it as UTF-8 and not in the system's code page, and with
# CR LF line ends.
#   cmake -DIN=source -DOUT=target -P cmake/WindowsText.cmake
string(ASCII 239 187 191 bom)
file(READ "${IN}" content)
string(REPLACE "\r\n" "\n" content "${content}")
string(REPLACE "\n" "\r\n" content "${content}")
file(WRITE "${OUT}" "${bom}${content}")
