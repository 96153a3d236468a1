# Settings every target of the project shares.
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

add_library(vavirir_settings INTERFACE)
target_compile_features(vavirir_settings INTERFACE cxx_std_20)
option(VAVIRIR_WERROR "Treat compiler warnings as errors (CI builds with it)" OFF)
target_compile_options(vavirir_settings INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor
  -Wold-style-cast -Wconversion)
if(VAVIRIR_WERROR)
  target_compile_options(vavirir_settings INTERFACE -Werror)
endif()
# The program version, from project() only.
target_compile_definitions(vavirir_settings INTERFACE VAVIRIR_VERSION="${PROJECT_VERSION}")
