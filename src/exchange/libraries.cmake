# The libraries the exchange layer links, found once for its library and the fuzz project:
# libxlsxwriter writes the workbooks, minizip (the one libxlsxwriter links) unpacks them and Qt's
# XML reader reads their parts.
find_package(PkgConfig REQUIRED)
pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
find_package(Qt6 6.2 REQUIRED COMPONENTS Core Xml)
set(rosterly_exchange_libraries PkgConfig::XLSXWRITER PkgConfig::MINIZIP Qt6::Xml)
