# The data layer's sources, named once for the program's build (src/data/CMakeLists.txt) and the fuzz
# project (tests/fuzz/CMakeLists.txt), which compiles them again with clang's sanitizers.
set(rosterly_data_sources
    ansitext.cpp
    clock.cpp
    entryrules.cpp
    fileio.cpp
    fixedrecord.cpp
    fixedrecordfile.cpp
    folderlock.cpp
    history.cpp
    historykeeper.cpp
    historylines.cpp
    historyreplay.cpp
    journal.cpp
    oledate.cpp
    personnelfile.cpp
    readonlyfolder.cpp
    records.cpp
    restorejournal.cpp
    sensitive.cpp
    sensitiverule.cpp
    textorder.cpp
    userlist.cpp
    util.cpp
)
list(TRANSFORM rosterly_data_sources PREPEND "${CMAKE_CURRENT_LIST_DIR}/")
