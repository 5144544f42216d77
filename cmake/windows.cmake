# The Windows build (MinGW-w64, with Qt built by scripts/windows-qt): the
# resources of both programs, the desktop program as a windowed program with
# no console, and an installation as one folder, as the setup program and
# the zip of scripts/package --windows hold it:
#   brenlow.exe, brenlow-report.exe   the programs
#   Qt6*.dll, platforms/, styles/     the Qt they load (Qt finds its plugins
#                                     in the program's folder; the offscreen
#                                     platform draws brenlow-report's PDF)
#   lib*.dll                          the MinGW-w64 C++ runtime
#   fonts/                            Liberation Mono and Sans, their licence
#   README.txt, COPYING.txt, user-guide.html
# Nothing else is needed on the path: the test run under Wine checks it.
enable_language(RC)
include(cmake/icons.cmake)

set(BRENLOW_PUBLISHER "Brenlow developers" CACHE STRING
    "Publisher named in the programs' version information and in Apps and Features")
set(BRENLOW_FONTS_DIR /usr/share/fonts/truetype/liberation2 CACHE PATH
    "Liberation fonts 2 (fonts-liberation2) shipped with the programs")
set(BRENLOW_FONTS_LICENSE /usr/share/doc/fonts-liberation2/copyright CACHE FILEPATH
    "Copyright and licence (SIL Open Font Licence) of those fonts")

# Windows versions have four numbers; project() leaves out the missing ones
# at the end.
set(_four ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH} ${PROJECT_VERSION_TWEAK})
list(LENGTH _four _n)
while(_n LESS 4)
  list(APPEND _four 0)
  math(EXPR _n "${_n} + 1")
endwhile()
string(REPLACE ";" "," BRENLOW_RC_VERSION_COMMAS "${_four}")
string(REPLACE ";" "." BRENLOW_RC_VERSION_DOTS "${_four}")

# The icon, the manifest and the version information of `target`.
function(brenlow_windows_resources target description)
  set(BRENLOW_RC_FILE ${target})
  set(BRENLOW_RC_DESCRIPTION "${description}")
  set(BRENLOW_RC_MANIFEST ${CMAKE_BINARY_DIR}/windows/${target}.manifest)
  set(_rc ${CMAKE_BINARY_DIR}/windows/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/data/windows/program.manifest.in ${BRENLOW_RC_MANIFEST} @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/data/windows/program.rc.in ${_rc} @ONLY)
  target_sources(${target} PRIVATE ${_rc})
  set_source_files_properties(${_rc} PROPERTIES OBJECT_DEPENDS "${BRENLOW_ICON_ICO};${BRENLOW_RC_MANIFEST}")
endfunction()

if(TARGET brenlow)
  set_target_properties(brenlow PROPERTIES WIN32_EXECUTABLE ON)
  brenlow_windows_resources(brenlow "Brenlow: supplementary analysis of Orvane Index scores")
  install(TARGETS brenlow RUNTIME DESTINATION .)
endif()
if(TARGET brenlow-report)
  brenlow_windows_resources(brenlow-report "Brenlow batch reports")
  install(TARGETS brenlow-report RUNTIME DESTINATION .)
endif()

# Qt: the libraries and the two plugins a widget program on Windows loads.
set(_qt_dlls)
foreach(_module Core Gui Widgets PrintSupport)
  if(TARGET Qt6::${_module})
    list(APPEND _qt_dlls $<TARGET_FILE:Qt6::${_module}>)
  endif()
endforeach()
install(FILES ${_qt_dlls} DESTINATION .)
if(TARGET brenlow)
  install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
  install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
endif()
# brenlow-report draws its PDF offscreen: without this plugin Qt would stop
# it with a message box.
if(BRENLOW_DRAWN_OUTPUTS AND TARGET Qt6::QOffscreenIntegrationPlugin)
  install(FILES $<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin> DESTINATION platforms)
endif()

# The compiler's runtime, as the compiler itself finds it, which Qt's DLLs
# load (the programs share it; without Qt they carry their own).
if(TARGET Qt6::Core)
  foreach(_dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
                    OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${_path}" OR NOT EXISTS "${_path}")
      message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${_dll} is")
    endif()
    install(FILES ${_path} DESTINATION .)
  endforeach()
endif()

foreach(_family Mono Sans)
  foreach(_style Regular Bold Italic BoldItalic)
    set(_font ${BRENLOW_FONTS_DIR}/Liberation${_family}-${_style}.ttf)
    if(NOT EXISTS ${_font})
      message(FATAL_ERROR "${_font} is missing (Debian package fonts-liberation2)")
    endif()
    install(FILES ${_font} DESTINATION fonts)
  endforeach()
endforeach()
install(FILES ${BRENLOW_FONTS_LICENSE} DESTINATION fonts RENAME LICENSE.txt)
# The user's readme and the licences as plain text, with Windows' line ends
# (the developers' README and Debian's machine-readable copyright file are
# for those who build the program).
foreach(_text README COPYING)
  configure_file(${CMAKE_SOURCE_DIR}/data/windows/${_text}.txt.in ${CMAKE_BINARY_DIR}/windows/${_text}.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/windows/${_text}.txt DESTINATION .)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/data/user-guide.html DESTINATION .)
