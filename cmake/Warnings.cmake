# Project-wide compiler flags: warnings everywhere, sanitizers on request.
add_compile_options(-Wall -Wextra)
if(SPISOTEK_WERROR)
  add_compile_options(-Werror)
endif()

if(SPISOTEK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(SPISOTEK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "SPISOTEK_FUZZ needs clang (CXX=clang++)")
  endif()
  # Instrument everything for coverage; only the fuzz targets link the driver.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
