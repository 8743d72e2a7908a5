# Warnings and sanitizers for every target of the project.
add_library(tazmel_options INTERFACE)
target_compile_options(tazmel_options INTERFACE -Wall -Wextra -Wshadow -Wold-style-cast -Woverloaded-virtual
                                                -Wnon-virtual-dtor -Wimplicit-fallthrough)
option(TAZMEL_WERROR "Treat compiler warnings as errors" OFF)
if(TAZMEL_WERROR)
  target_compile_options(tazmel_options INTERFACE -Werror)
endif()

if(TAZMEL_SANITIZE)
  set(_tazmel_san -fsanitize=address,undefined -fno-omit-frame-pointer
                  -fno-sanitize-recover=undefined)
  add_compile_options(${_tazmel_san})
  add_link_options(${_tazmel_san})
endif()

# Logic libraries must build without Qt; this helper keeps their setup alike.
function(tazmel_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE tazmel_options)
endfunction()

# Fuzzing builds instrument every library for coverage and memory errors.
if(TAZMEL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
