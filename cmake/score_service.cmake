# SPDX-License-Identifier: MIT
# The score service settings: the board ids and tokens of the five levels, and the server the
# game talks to. An empty server means the game serves its boards itself. The reference server
# (tools/flingo-scores) takes its boards from the same settings.
set(FLINGO_BOARD_IDS "41207,41208,41209,41210,41211" CACHE STRING
    "Score board id of each level, five numbers separated by commas")
set(FLINGO_BOARD_TOKENS
    "e4k9w2m7q1t8z3c6v5b0n2x7r4p9d,h3j8f1s6a9l2k5g0d7w4e1r8t3y6u,p2o7i4u9y1t6r3e8w5q0a2s7d4f6g,m9n4b7v2c5x8z1l6k3j0h5g8f2d7s,q7w2e9r4t1y8u3i6o5p0a7s2d9f4g"
    CACHE STRING "Score board token of each level, five tokens separated by commas")
set(FLINGO_SCORE_SERVER "" CACHE STRING
    "Base URL of the score service; empty: the game serves the boards itself")

string(REPLACE "," ";" _ids "${FLINGO_BOARD_IDS}")
string(REPLACE "," ";" _tokens "${FLINGO_BOARD_TOKENS}")
list(LENGTH _ids _n_ids)
list(LENGTH _tokens _n_tokens)
if(NOT _n_ids EQUAL 5 OR NOT _n_tokens EQUAL 5)
  message(FATAL_ERROR "FLINGO_BOARD_IDS and FLINGO_BOARD_TOKENS need five entries each")
endif()
foreach(id IN LISTS _ids)
  if(NOT id MATCHES "^[0-9]+$")
    message(FATAL_ERROR "FLINGO_BOARD_IDS: \"${id}\" is not a board id")
  endif()
endforeach()
foreach(token IN LISTS _tokens)
  if(NOT token MATCHES "^[0-9A-Za-z]+$")
    message(FATAL_ERROR "FLINGO_BOARD_TOKENS: \"${token}\" may hold letters and digits only")
  endif()
endforeach()
if(FLINGO_SCORE_SERVER AND NOT FLINGO_SCORE_SERVER MATCHES "^https?://[^\"\\\\]+$")
  message(FATAL_ERROR "FLINGO_SCORE_SERVER: \"${FLINGO_SCORE_SERVER}\" is not an http(s) URL")
endif()
string(REPLACE "," ", " FLINGO_BOARD_IDS_C "${FLINGO_BOARD_IDS}")
string(REPLACE "," "\", \"" FLINGO_BOARD_TOKENS_C "\"${FLINGO_BOARD_TOKENS}\"")
configure_file(${PROJECT_SOURCE_DIR}/src/online/score_service.h.in
               ${PROJECT_BINARY_DIR}/generated/online/score_service.h @ONLY)
# Everything that includes online/boards.h finds it: the game, the reference server, tests.
target_include_directories(flingo_options INTERFACE ${PROJECT_BINARY_DIR}/generated)
