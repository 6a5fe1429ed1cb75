# Run by `cmake --install`: writes the launcher with the installed program's full path in its Exec
# key and installs it. The variables come from dist/CMakeLists.txt.
set(bindir "${ROSTERLY_BINDIR}")
if(NOT IS_ABSOLUTE "${bindir}")
    set(bindir "${CMAKE_INSTALL_PREFIX}/${bindir}")
endif()
set(ROSTERLY_EXEC "${bindir}/rosterly")
# A path holding a space or a character the Exec key reserves goes in double quotes, with '"',
# '`', '$' and '\' escaped by a backslash; every backslash is then doubled once more, since the
# key is itself a string value.
if(ROSTERLY_EXEC MATCHES "[ \t\n\"'\\><~|&;$*?#()`]")
    string(REGEX REPLACE "([\"`$\\])" "\\\\\\1" quoted "${ROSTERLY_EXEC}")
    string(REPLACE "\\" "\\\\" quoted "${quoted}")
    set(ROSTERLY_EXEC "\"${quoted}\"")
endif()
configure_file("${ROSTERLY_LAUNCHER_IN}" "${ROSTERLY_LAUNCHER_OUT}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${ROSTERLY_APPLICATIONSDIR}" TYPE FILE
     FILES "${ROSTERLY_LAUNCHER_OUT}")
