# The program's icon: one drawing, desktop/tabulon.svg, rendered at the usual hicolor sizes at
# build time. The sizes are built into the program as Qt resources (:/icons/tabulon-N.png) for its
# windows, and installed with the drawing itself for the desktop's menus.
find_program(RSVG_CONVERT rsvg-convert)
if(NOT RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert renders the program's icon: install the Debian package librsvg2-bin")
endif()

set(TBN_ICON_SVG ${CMAKE_SOURCE_DIR}/desktop/tabulon.svg)
set(TBN_ICON_SIZES 16 24 32 48 64 128 256)
set(TBN_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(TBN_ICON_PNGS "")
foreach(size ${TBN_ICON_SIZES})
  set(png ${TBN_ICON_DIR}/tabulon-${size}.png)
  add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${TBN_ICON_DIR}
      COMMAND ${RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${TBN_ICON_SVG}
      DEPENDS ${TBN_ICON_SVG}
      COMMENT "Rendering the ${size}x${size} icon"
      VERBATIM)
  list(APPEND TBN_ICON_PNGS ${png})
endforeach()
# Custom commands belong to the folder that declares them; this target gives the rules a home here,
# so the windows' library in src/ can depend on the rendered files.
add_custom_target(tbn_icon_pngs DEPENDS ${TBN_ICON_PNGS})

# tbn_add_icon_resources(<target>): the rendered sizes as resources of the target.
function(tbn_add_icon_resources target)
  add_dependencies(${target} tbn_icon_pngs)
  qt_add_resources(${target} "tbn_icons" PREFIX "/icons" BASE ${TBN_ICON_DIR} FILES ${TBN_ICON_PNGS})
endfunction()
