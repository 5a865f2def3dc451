# SPDX-License-Identifier: MIT
# litehtml, which draws the in-app pages: its container API changes between releases, so the build
# takes only the releases src/online/page.cpp is written against and says so at configure time
# rather than failing deep inside page.cpp. Defines flingo::litehtml, the shared library where the
# system has one (as distributions want), else the static one.
set(FLINGO_LITEHTML_SUPPORTED "0.6")

find_package(litehtml CONFIG QUIET)
if(NOT litehtml_FOUND)
  message(FATAL_ERROR "litehtml not found. Flingo builds with litehtml ${FLINGO_LITEHTML_SUPPORTED} "
                      "(Debian 12 and 13: liblitehtml-dev); point litehtml_DIR at its CMake files.")
endif()

# Debian's CMake files give the include folder and LITEHTML_UTF8 only on the static target.
get_target_property(_lh_inc litehtml-static INTERFACE_INCLUDE_DIRECTORIES)
get_target_property(_lh_defs litehtml-static INTERFACE_COMPILE_DEFINITIONS)
if(NOT _lh_inc)
  get_target_property(_lh_inc litehtml INTERFACE_INCLUDE_DIRECTORIES)
endif()

# The release: from the package's version file where it ships one, else told apart by its headers.
set(_lh_version "${litehtml_VERSION}")
if(NOT _lh_version)
  foreach(_dir IN LISTS _lh_inc)
    if(EXISTS ${_dir}/font_description.h OR EXISTS ${_dir}/litehtml/font_description.h)
      set(_lh_version "0.9 or later")
    elseif(EXISTS ${_dir}/render_item.h OR EXISTS ${_dir}/litehtml/render_item.h)
      set(_lh_version "0.7 or later")
    elseif(EXISTS ${_dir}/el_before_after.h)
      set(_lh_version "0.6")
    endif()
  endforeach()
endif()

# The container overrides page.cpp relies on, compiled against the headers found.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_INCLUDES ${_lh_inc})
set(CMAKE_REQUIRED_DEFINITIONS)
foreach(_def IN LISTS _lh_defs)
  list(APPEND CMAKE_REQUIRED_DEFINITIONS -D${_def})
endforeach()
set(CMAKE_REQUIRED_QUIET ON)
check_cxx_source_compiles([[
#include <litehtml.h>
struct probe : litehtml::document_container {
    litehtml::uint_ptr create_font(const litehtml::tchar_t*, int, int, litehtml::font_style,
                                   unsigned int, litehtml::font_metrics*) override;
    void draw_background(litehtml::uint_ptr, const litehtml::background_paint&) override;
    void draw_text(litehtml::uint_ptr, const litehtml::tchar_t*, litehtml::uint_ptr,
                   litehtml::web_color, const litehtml::position&) override;
};
int main() { return 0; }
]] FLINGO_LITEHTML_API_OK)
unset(CMAKE_REQUIRED_INCLUDES)
unset(CMAKE_REQUIRED_DEFINITIONS)
unset(CMAKE_REQUIRED_QUIET)
if(NOT FLINGO_LITEHTML_API_OK)
  if(NOT _lh_version)
    set(_lh_version "unknown")
  endif()
  unset(FLINGO_LITEHTML_API_OK CACHE)
  message(FATAL_ERROR
    "litehtml ${_lh_version} (headers in ${_lh_inc}) is not supported: Flingo builds with litehtml "
    "${FLINGO_LITEHTML_SUPPORTED} only. Its document_container API changed in later releases "
    "(0.9: create_font takes a font_description, draw_background became draw_image/draw_solid_fill/"
    "...), which src/online/page.cpp does not implement yet. Install litehtml "
    "${FLINGO_LITEHTML_SUPPORTED} (Debian 12 and 13: liblitehtml-dev) or set litehtml_DIR to one.")
endif()
message(STATUS "litehtml ${_lh_version}: supported")

add_library(flingo_litehtml INTERFACE)
add_library(flingo::litehtml ALIAS flingo_litehtml)
target_include_directories(flingo_litehtml SYSTEM INTERFACE ${_lh_inc})
if(_lh_defs)
  target_compile_definitions(flingo_litehtml INTERFACE ${_lh_defs})
endif()
if(TARGET litehtml)
  target_link_libraries(flingo_litehtml INTERFACE litehtml)
else()
  target_link_libraries(flingo_litehtml INTERFACE litehtml-static gumbo)
endif()
