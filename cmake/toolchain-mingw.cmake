# Cross-compiling for Windows with Debian's mingw-w64, posix thread variant (GoogleTest needs
# std::mutex). QUILLMAR_ARCH picks the target: i686 (the shipped 32-bit program, the default)
# or x86_64 (the same code for a Wine that cannot run 32-bit programs on this machine).
if(NOT QUILLMAR_ARCH)
  set(QUILLMAR_ARCH i686)
endif()
set(QUILLMAR_ARCH ${QUILLMAR_ARCH} CACHE STRING "i686 or x86_64")
set(_triple ${QUILLMAR_ARCH}-w64-mingw32)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QUILLMAR_ARCH})
set(CMAKE_C_COMPILER   ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER  ${_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
