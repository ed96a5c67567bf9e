# The Windows build, from Debian with mingw-w64: sortwell.exe, its zip, and
# the in-process tests, which ctest runs under wine.

# Workbooks: libxlsxwriter from its Debian source package, cross-built here
# with zlib from libz-mingw-w64-dev, both linked in statically.
include(ExternalProject)
set(xlsxwriter_prefix ${CMAKE_BINARY_DIR}/xlsxwriter)
ExternalProject_Add(xlsxwriter_windows
  PREFIX ${xlsxwriter_prefix}
  DOWNLOAD_COMMAND ${PROJECT_SOURCE_DIR}/tools/fetch-source libxlsxwriter <SOURCE_DIR>
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR> -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF -DCMAKE_C_FLAGS=-w
  BUILD_BYPRODUCTS ${xlsxwriter_prefix}/lib/libxlsxwriter.a)
file(MAKE_DIRECTORY ${xlsxwriter_prefix}/include)
add_library(xlsxwriter STATIC IMPORTED)
set_target_properties(xlsxwriter PROPERTIES IMPORTED_LOCATION ${xlsxwriter_prefix}/lib/libxlsxwriter.a
                                            INTERFACE_INCLUDE_DIRECTORIES ${xlsxwriter_prefix}/include)
find_library(MINGW_ZLIB libz.a REQUIRED)
target_link_libraries(sortwell_core PUBLIC xlsxwriter ${MINGW_ZLIB})
target_compile_definitions(sortwell_core PRIVATE SORTWELL_HAVE_XLSXWRITER)
add_dependencies(sortwell_core xlsxwriter_windows)
find_program(ZIP zip REQUIRED)
set(zip_file ${CMAKE_BINARY_DIR}/sortwell-${PROJECT_VERSION}-windows-x64.zip)
add_custom_command(
  OUTPUT ${zip_file}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${zip_file}
  COMMAND ${ZIP} -q -j ${zip_file} $<TARGET_FILE:sortwell> ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
  COMMAND ${ZIP} -q ${zip_file} tessdata/eng.traineddata tessdata/osd.traineddata
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS sortwell ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${ocr_data})
add_custom_target(windows_zip ALL DEPENDS ${zip_file})

# The installer: Program Files\Sortwell with the language data, a Start-menu
# shortcut, the folder on PATH.
set(msi_file ${CMAKE_BINARY_DIR}/sortwell-${PROJECT_VERSION}-x64.msi)
add_custom_command(
  OUTPUT ${msi_file}
  COMMAND ${PROJECT_SOURCE_DIR}/tools/make-msi $<TARGET_FILE:sortwell> ${PROJECT_VERSION} ${msi_file}
  DEPENDS sortwell ${PROJECT_SOURCE_DIR}/packaging/sortwell.wxs ${PROJECT_SOURCE_DIR}/tools/make-msi
          ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${ocr_data})
add_custom_target(windows_msi ALL DEPENDS ${msi_file})

include(CTest)
if(NOT BUILD_TESTING)
  return()
endif()

# GoogleTest from Debian's sources, built with the cross compiler.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The in-process tests that need no POSIX system: the dialogue, the editor,
# the picker, numbers and keys, over the Windows record files.
add_library(sortwell_test_support STATIC tests/support/virtual_terminal.cpp tests/support/temp_dir.cpp)
target_include_directories(sortwell_test_support PUBLIC ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(sortwell_test_support PUBLIC sortwell_core)
add_executable(sortwell_tests
  tests/common/text_value_test.cpp
  tests/common/number_text_test.cpp
  tests/codes/coupon_code_test.cpp
  tests/platform/key_decoder_test.cpp
  tests/console/console_test.cpp
  tests/categories/category_picker_test.cpp
  tests/editor/coupon_editor_test.cpp
  tests/session/session_test.cpp
  tests/command_line_test.cpp
  tests/collection/collection_test.cpp
  tests/reading/printed_lines_test.cpp
  tests/platform/win32/record_path_test.cpp
  tests/platform/win32/win32_calls_test.cpp
)
target_link_libraries(sortwell_tests PRIVATE sortwell_test_support gtest_main)
add_test(NAME sortwell_tests COMMAND sortwell_tests)
set_tests_properties(sortwell_tests PROPERTIES ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all")

# A stand-in for SAPI.SpVoice that logs what it is asked to say, for the
# voice test under wine.
enable_language(C)
add_library(fake_spvoice SHARED tests/platform/win32/fake_spvoice.c tests/platform/win32/fake_spvoice.def)
set_target_properties(fake_spvoice PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_compile_options(fake_spvoice PRIVATE -Wno-incompatible-pointer-types -Wno-cast-function-type)
target_link_options(fake_spvoice PRIVATE -static-libgcc)

# Raises the screen-reader flag, for the test of screen-reader mode under wine.
add_executable(set_screen_reader tests/platform/win32/set_screen_reader.c)
set_target_properties(set_screen_reader PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_options(set_screen_reader PRIVATE -static-libgcc)
