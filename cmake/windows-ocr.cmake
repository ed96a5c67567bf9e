# Reading print on Windows: tesseract and leptonica, with the picture formats
# leptonica reads (PNG, JPEG, TIFF; PNM is its own), cross-built here from
# Debian's source packages and linked in statically, so that sortwell.exe
# stays one file. Only the libraries are built: no training tools, OpenCL,
# curl, archives, debugging windows or programs of their own, which keeps
# this build short. The result is the INTERFACE target ocr_libraries.
include(ExternalProject)
set(ocr_prefix ${CMAKE_BINARY_DIR}/ocr)
set(ocr_lib ${ocr_prefix}/lib)
set(ocr_include ${ocr_prefix}/include)
file(MAKE_DIRECTORY ${ocr_lib} ${ocr_include}/leptonica)
find_library(MINGW_ZLIB libz.a REQUIRED)
find_path(MINGW_ZLIB_INCLUDE zlib.h REQUIRED)

# Every part is built alike: the cross compiler, optimised, quiet, static,
# finding nothing on the build machine (its own pkg-config would offer Linux
# libraries), and told where each library it uses is. Its build step
# installs it too, so that the library it names is what that step makes:
# the program is linked again when it changes. BUILD_COMMAND, for a part
# that builds programs as well: its library alone, and copying it and its
# headers.
set(ocr_common_args
  -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_INSTALL_PREFIX=${ocr_prefix} -DCMAKE_INSTALL_LIBDIR=lib -DBUILD_SHARED_LIBS=OFF
  -DCMAKE_C_FLAGS=-w -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON
  -DZLIB_LIBRARY=${MINGW_ZLIB} -DZLIB_INCLUDE_DIR=${MINGW_ZLIB_INCLUDE})
function(ocr_part name package library)
  cmake_parse_arguments(PARSE_ARGV 3 part "" "" "CMAKE_ARGS;BUILD_COMMAND")
  if(NOT part_BUILD_COMMAND)
    set(part_BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target install)
  endif()
  ExternalProject_Add(${name}_windows
    PREFIX ${ocr_prefix}/build/${name}
    DOWNLOAD_COMMAND ${PROJECT_SOURCE_DIR}/tools/fetch-source ${package} <SOURCE_DIR>
    CMAKE_ARGS ${ocr_common_args} ${part_CMAKE_ARGS}
    BUILD_COMMAND ${part_BUILD_COMMAND}
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${ocr_lib}/${library})
endfunction()

# No SIMD for JPEG: it would need an assembler, and decoding a photo is a
# small part of reading it.
ocr_part(jpeg libjpeg-turbo libjpeg.a
  CMAKE_ARGS -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target jpeg-static
        COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/jconfig.h <SOURCE_DIR>/jpeglib.h <SOURCE_DIR>/jmorecfg.h
                <SOURCE_DIR>/jerror.h ${ocr_include}
        COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/libjpeg.a ${ocr_lib})
ocr_part(png libpng1.6 libpng16.a CMAKE_ARGS -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF)
ocr_part(tiff tiff libtiff.a CMAKE_ARGS
  -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dtiff-opengl=OFF -Dcxx=OFF
  -Djbig=OFF -Dlerc=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dlibdeflate=OFF -Djpeg12=OFF -Dsphinx=OFF
  -DJPEG_LIBRARY=${ocr_lib}/libjpeg.a -DJPEG_INCLUDE_DIR=${ocr_include})
add_dependencies(tiff_windows jpeg_windows)
set(leptonica_version 1.82.0)
ocr_part(leptonica leptonlib libleptonica-${leptonica_version}.a CMAKE_ARGS
  -DSW_BUILD=OFF -DBUILD_PROG=OFF -DCMAKE_DISABLE_FIND_PACKAGE_GIF=ON
  -DJPEG_LIBRARY=${ocr_lib}/libjpeg.a -DJPEG_INCLUDE_DIR=${ocr_include}
  -DPNG_LIBRARY=${ocr_lib}/libpng16.a -DPNG_PNG_INCLUDE_DIR=${ocr_include}
  -DTIFF_LIBRARY=${ocr_lib}/libtiff.a -DTIFF_INCLUDE_DIR=${ocr_include})
add_dependencies(leptonica_windows jpeg_windows png_windows tiff_windows)
# The legacy engine stays: orientation detection needs it. No -march=native
# (the program runs on other machines than this one). mingw's gcc does not
# align the stack to 32 bytes (GCC bug 54412): the assembler's unaligned
# moves make a misaligned spill in the AVX2 and AVX-512 code harmless. Built
# as a unity build, which halves its compile time, but for the one file that
# defines a macro over a parameter's name.
file(WRITE ${ocr_prefix}/tesseract-unity.cmake
  "set_source_files_properties(src/classify/adaptmatch.cpp PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)\n")
ocr_part(tesseract tesseract libtesseract53.a CMAKE_ARGS
  -DCMAKE_UNITY_BUILD=ON -DCMAKE_PROJECT_tesseract_INCLUDE=${ocr_prefix}/tesseract-unity.cmake
  -DSW_BUILD=OFF -DBUILD_TRAINING_TOOLS=OFF -DENABLE_OPENCL=OFF -DDISABLE_CURL=ON -DDISABLE_ARCHIVE=ON
  -DGRAPHICS_DISABLED=ON -DOPENMP_BUILD=OFF -DBUILD_TESTS=OFF -DINSTALL_CONFIGS=OFF
  -DCOMPILER_SUPPORTS_MARCH_NATIVE=OFF "-DCMAKE_CXX_FLAGS=-w -Wa,-muse-unaligned-vector-move"
  -DLeptonica_DIR=${ocr_lib}/cmake/leptonica
  -DTIFF_LIBRARY=${ocr_lib}/libtiff.a -DTIFF_INCLUDE_DIR=${ocr_include}
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target libtesseract
        COMMAND ${CMAKE_COMMAND} -E copy_directory <SOURCE_DIR>/include/tesseract ${ocr_include}/tesseract
        COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/include/tesseract/version.h ${ocr_include}/tesseract
        COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/libtesseract53.a ${ocr_lib})
add_dependencies(tesseract_windows leptonica_windows)

# Headers under include/ (and include/leptonica, as pkg-config gives them on
# Linux); static libraries in the order they need each other.
add_library(ocr_libraries INTERFACE)
target_include_directories(ocr_libraries INTERFACE ${ocr_include} ${ocr_include}/leptonica)
target_link_libraries(ocr_libraries INTERFACE
  ${ocr_lib}/libtesseract53.a ${ocr_lib}/libleptonica-${leptonica_version}.a ${ocr_lib}/libtiff.a
  ${ocr_lib}/libjpeg.a ${ocr_lib}/libpng16.a ${MINGW_ZLIB})
add_dependencies(ocr_libraries tesseract_windows)

# The language data, English and orientation, from Debian's tesseract-ocr-eng
# and tesseract-ocr-osd: a tessdata folder beside sortwell.exe, where the
# program looks for it, and where the zip and the installer take it from.
set(ocr_data_dir /usr/share/tesseract-ocr/5/tessdata)
set(ocr_data)
foreach(language eng osd)
  set(source ${ocr_data_dir}/${language}.traineddata)
  if(NOT EXISTS ${source})
    message(FATAL_ERROR "${source} is missing: install tesseract-ocr-${language} (tools/install-deps windows)")
  endif()
  configure_file(${source} ${CMAKE_BINARY_DIR}/tessdata/${language}.traineddata COPYONLY)
  list(APPEND ocr_data ${CMAKE_BINARY_DIR}/tessdata/${language}.traineddata)
endforeach()
