# The program's icon for builds without QtSvg: PNG sizes drawn from
# data/brenlow.svg at build time by rsvg-convert (librsvg2-bin), and for
# Windows an .ico holding them (icotool, icoutils), the icon of the .exe files.
# Sets BRENLOW_ICON_DIR, BRENLOW_ICON_PNGS and, for Windows, BRENLOW_ICON_ICO.
include_guard(GLOBAL)

set(BRENLOW_ICON_SIZES 16 24 32 48 64 128 256)
set(BRENLOW_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(_icon_svg ${CMAKE_SOURCE_DIR}/data/brenlow.svg)

find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(BRENLOW_ICON_PNGS)
set(_ico_args)
foreach(_size ${BRENLOW_ICON_SIZES})
  set(_png ${BRENLOW_ICON_DIR}/brenlow-${_size}.png)
  add_custom_command(OUTPUT ${_png}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${BRENLOW_ICON_DIR}
                     COMMAND ${RSVG_CONVERT} -w ${_size} -h ${_size} -o ${_png} ${_icon_svg}
                     DEPENDS ${_icon_svg}
                     VERBATIM)
  list(APPEND BRENLOW_ICON_PNGS ${_png})
  # Sizes up to 48 as bitmaps, which every Windows version shows; the larger
  # ones as PNG, as Windows keeps them.
  if(_size GREATER 48)
    list(APPEND _ico_args -r)
  endif()
  list(APPEND _ico_args ${_png})
endforeach()

if(WIN32)
  find_program(ICOTOOL icotool REQUIRED)
  set(BRENLOW_ICON_ICO ${BRENLOW_ICON_DIR}/brenlow.ico)
  add_custom_command(OUTPUT ${BRENLOW_ICON_ICO}
                     COMMAND ${ICOTOOL} -c -o ${BRENLOW_ICON_ICO} ${_ico_args}
                     DEPENDS ${BRENLOW_ICON_PNGS}
                     VERBATIM)
endif()
