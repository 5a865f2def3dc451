# SPDX-License-Identifier: MIT
# Overlays drawn over the whole screen but visible only in part: rendered full size, then cropped
# to their visible pixels (tools/assets/crop-overlay.sh). Where each crop sits goes into
# generated/game/overlay_crops.inc, from which the game places the cropped picture exactly where
# the full one was.

set(overlay_rects)

# One overlay: img/NAME.svg -> DEST/NAME.png in every scale set, each cropped to the same points.
function(flingo_overlay name dest)
  set(rect ${CMAKE_CURRENT_BINARY_DIR}/crops/${name}.inc)
  set(sets)
  set(pngs)
  set(fulls)
  set(packs)
  foreach(s ${FLINGO_ART_SCALES})
    set(full ${CMAKE_CURRENT_BINARY_DIR}/full/${s}/${name}.png)
    flingo_render(${img_src}/${name}.svg ${full} ${s})
    flingo_scaled(png ${dest}/${name}.png ${s})
    list(APPEND sets ${s} ${full} ${png})
    list(APPEND pngs ${png})
    list(APPEND fulls ${full})
    list(APPEND packs COMMAND flingo_png_pack ${png})
  endforeach()
  add_custom_command(
    OUTPUT ${pngs} ${rect}
    COMMAND ${CMAKE_COMMAND} -E env CONVERT=${FLINGO_CONVERT}
            sh ${tools}/crop-overlay.sh ${rect} ${name}.png ${sets}
    ${packs}
    DEPENDS ${fulls} ${tools}/crop-overlay.sh flingo_png_pack
    VERBATIM)
  set(outputs ${outputs} ${pngs} PARENT_SCOPE)
  set(overlay_rects ${overlay_rects} ${rect} PARENT_SCOPE)
endfunction()

# After every flingo_overlay call: the table the game compiles in.
function(flingo_overlay_table)
  set(table ${CMAKE_BINARY_DIR}/generated/game/overlay_crops.inc)
  add_custom_command(
    OUTPUT ${table}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated/game
    COMMAND sh -c "out=$1; shift; cat \"$@\" >\"$out\"" sh ${table} ${overlay_rects}
    DEPENDS ${overlay_rects}
    COMMENT "Writing the overlay crop table"
    VERBATIM)
  add_custom_target(overlay_crops DEPENDS ${table})
  if(TARGET flingo_game)
    add_dependencies(flingo_game overlay_crops)
    target_include_directories(flingo_game PRIVATE ${CMAKE_BINARY_DIR}/generated)
  endif()
endfunction()
