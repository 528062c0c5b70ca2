# The libraries of the Windows build (MinGW-w64), in place of the find_package calls of the
# Linux build: ODBC and the shell are Windows's own; the header-only libraries (CLI11, JSON)
# and SQLite's extension headers are the host's Debian packages, reached through a staging
# folder so that the host's C library headers never enter the build.

enable_language(RC)

# A folder that holds nlohmann/, CLI/, sqlite3.h and sqlite3ext.h: given (a native Windows build,
# such as MSYS2's include folder), or made of links to the host's /usr/include (cross-build).
set(IMPORTADOR_CABECERAS_DE "" CACHE PATH
    "Folder with the headers of CLI11, nlohmann/json and SQLite's extension interface")
if(IMPORTADOR_CABECERAS_DE)
  set(IMPORTADOR_CABECERAS ${IMPORTADOR_CABECERAS_DE})
else()
  set(IMPORTADOR_CABECERAS ${CMAKE_BINARY_DIR}/cabeceras-anfitrion)
  file(MAKE_DIRECTORY ${IMPORTADOR_CABECERAS})
  foreach(cabecera nlohmann CLI sqlite3.h sqlite3ext.h)
    if(NOT EXISTS /usr/include/${cabecera})
      message(FATAL_ERROR "/usr/include/${cabecera} is missing: install nlohmann-json3-dev, "
                          "libcli11-dev and libsqlite3-dev (scripts/windows.sh does)")
    endif()
    file(CREATE_LINK /usr/include/${cabecera} ${IMPORTADOR_CABECERAS}/${cabecera} SYMBOLIC)
  endforeach()
endif()

add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${IMPORTADOR_CABECERAS})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${IMPORTADOR_CABECERAS})
add_library(SQLite::Cabeceras INTERFACE IMPORTED)
target_include_directories(SQLite::Cabeceras SYSTEM INTERFACE ${IMPORTADOR_CABECERAS})

# Windows 10 and later (the UTF-8 code page of the program's manifest needs version 1903).
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE)

# The tests run under Wine, in a prefix of the build tree; the database tests reach the host's
# SQLite ODBC driver, which loads the host's build of the functions extension.
set(IMPORTADOR_EXTENSION_ANFITRION "" CACHE FILEPATH
    "The SQLite functions extension built for the host (Wine's ODBC driver is the host's)")
set(IMPORTADOR_PROGRAMA_ANFITRION "" CACHE FILEPATH
    "The Linux build of importador, whose demo journal the one under Wine must equal")
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(IMPORTADOR_WINE wine REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wine WINEDEBUG=-all
      IMPORTADOR_SQLITE_EXTENSION=${IMPORTADOR_EXTENSION_ANFITRION}
      ${PROJECT_SOURCE_DIR}/scripts/wine-prueba.sh ${IMPORTADOR_WINE})
endif()
