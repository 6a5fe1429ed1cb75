# The exchange layer's sources, named once for its library (CMakeLists.txt beside this file) and
# the fuzz project (tests/fuzz/CMakeLists.txt), which compiles them again to fuzz the imports.
set(rosterly_exchange_sources exportlist.cpp exportxlsx.cpp importplan.cpp importcsv.cpp importxlsx.cpp importduplicates.cpp
                              zipmemory.cpp)
list(TRANSFORM rosterly_exchange_sources PREPEND "${CMAKE_CURRENT_LIST_DIR}/")
