# Run by cmake --install: writes the menu entry for the prefix being installed to, which
# only becomes known then (--prefix). GG_DESKTOP_TEMPLATE names the entry's template.
set(program "${CMAKE_INSTALL_PREFIX}/bin/gravel-ghosts")

# TryExec is a plain string value: only a backslash needs escaping.
string(REPLACE "\\" "\\\\" GG_DESKTOP_TRYEXEC "${program}")
# Exec takes the program as one quoted argument, inside which \ " ` $ are escaped by a
# backslash and % is doubled; the value's own string escaping then doubles each
# backslash once more.
string(REPLACE "\\" "\\\\" quoted "${program}")
string(REPLACE "\"" "\\\"" quoted "${quoted}")
string(REPLACE "`" "\\`" quoted "${quoted}")
string(REPLACE "$" "\\$" quoted "${quoted}")
string(REPLACE "\\" "\\\\" quoted "${quoted}")
string(REPLACE "%" "%%" quoted "${quoted}")
set(GG_DESKTOP_EXEC "\"${quoted}\"")

file(READ "${GG_DESKTOP_TEMPLATE}" entry)
string(CONFIGURE "${entry}" entry @ONLY)
set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/gravel-ghosts.desktop")
message(STATUS "Installing: ${target}")
file(WRITE "${target}" "${entry}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_PREFIX}/share/applications/gravel-ghosts.desktop")
