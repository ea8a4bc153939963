# Every dependency comes from Debian's packages (see scripts/bootstrap);
# nothing is downloaded at configure time.
find_package(PkgConfig REQUIRED)
find_package(ICU 72 REQUIRED COMPONENTS uc i18n)
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Network)
find_package(CURL REQUIRED)
pkg_check_modules(MSPACK REQUIRED IMPORTED_TARGET libmspack)

if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(SPISOTEK_BENCH)
  find_package(benchmark REQUIRED)
endif()

set(CMAKE_AUTOMOC OFF)
