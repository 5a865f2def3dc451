# SPDX-License-Identifier: MIT
# A litehtml with a later container API, to see the configure step refuse it.
add_library(litehtml-static STATIC IMPORTED)
set_target_properties(litehtml-static PROPERTIES
  IMPORTED_LOCATION ${CMAKE_CURRENT_LIST_DIR}/liblitehtml.a
  INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_CURRENT_LIST_DIR}/include/litehtml)
