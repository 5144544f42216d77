# Installing like desktop software (cmake --install, or the Debian package
# that scripts/package makes with CPack): both programs in bin/, a menu entry
# with its icon, AppStream metadata, manual pages, the README, the user guide
# (which the program also carries within) and the copyright file.
include(GNUInstallDirs)

set(BRENLOW_MAINTAINER "Brenlow developers <brenlow@example.org>" CACHE STRING
    "Maintainer named in the Debian package")
set(BRENLOW_APP_ID org.brenlow.brenlow)
string(TIMESTAMP BRENLOW_BUILD_DATE_ISO "%Y-%m-%d")
string(TIMESTAMP BRENLOW_BUILD_TIME_RFC2822 "%a, %d %b %Y %H:%M:%S +0000" UTC)

set(_data ${CMAKE_CURRENT_SOURCE_DIR}/data)
set(_out ${CMAKE_CURRENT_BINARY_DIR}/data)
set(_docdir ${CMAKE_INSTALL_DATADIR}/doc/brenlow)

configure_file(${_data}/${BRENLOW_APP_ID}.metainfo.xml.in ${_out}/${BRENLOW_APP_ID}.metainfo.xml @ONLY)

# brenlow-report's manual page names the drawn outputs this build has.
set(BRENLOW_MAN_DRAWN "")
set(BRENLOW_MAN_NO_REPORT ".BR \\-\\-csv )")
set(BRENLOW_MAN_WHOLE "the CSV file is")
if(BRENLOW_DRAWN_OUTPUTS)
  string(APPEND BRENLOW_MAN_DRAWN
         ".TP\n.BI \\-\\-pdf \" FILE\"\nAlso write the reports as a PDF file, laid out as the desktop program prints\n"
         "them, followed by one page with the profile chart of each case.\n"
         ".TP\n.BI \\-\\-odt \" FILE\"\nAlso write the reports as an editable document for a word processor\n"
         "(OpenDocument text, which LibreOffice and Word open): each case on pages of\n"
         "its own, its figures in tables as the report prints them, and its profile\n"
         "chart. The document is held in memory until the last case; it takes at most\n"
         "1000 cases.\n")
  set(BRENLOW_MAN_NO_REPORT ".BR \\-\\-csv \", \" \\-\\-pdf \" or \" \\-\\-odt )")
  set(BRENLOW_MAN_WHOLE "the CSV file, the PDF and the document are")
  if(BRENLOW_WITH_SVG)
    string(APPEND BRENLOW_MAN_DRAWN
           ".TP\n.BI \\-\\-chart\\-dir \" DIR\"\nAlso write the profile chart of each case as an SVG drawing,\n"
           ".IR DIR /case\\-0001.svg,\ncase\\-0002.svg, ...\n")
    set(BRENLOW_MAN_NO_REPORT ".BR \\-\\-csv \", \" \\-\\-pdf \", \" \\-\\-odt \" or \" \\-\\-chart\\-dir )")
    set(BRENLOW_MAN_WHOLE "the CSV file, the PDF, the document and each chart are")
  endif()
endif()

# Manual pages and the changelog are installed compressed, as Debian keeps them.
set(_gzipped)
foreach(_page brenlow.1 brenlow-report.1 changelog)
  configure_file(${_data}/${_page}.in ${_out}/${_page} @ONLY)
  add_custom_command(OUTPUT ${_out}/${_page}.gz
                     COMMAND gzip -9nkf ${_page}
                     DEPENDS ${_out}/${_page}
                     WORKING_DIRECTORY ${_out}
                     VERBATIM)
  list(APPEND _gzipped ${_out}/${_page}.gz)
endforeach()
add_custom_target(brenlow_install_data ALL DEPENDS ${_gzipped})

if(TARGET brenlow-report)
  install(TARGETS brenlow-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${_out}/brenlow-report.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET brenlow)
  install(TARGETS brenlow RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${_out}/brenlow.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${_data}/${BRENLOW_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_data}/brenlow.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${_out}/${BRENLOW_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md ${_data}/copyright ${_out}/changelog.gz
              ${_data}/user-guide.html
        DESTINATION ${_docdir})

# The Debian package. Depends is computed by dpkg-shlibdeps from the installed
# programs; the fonts the windows and the printout name are added by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brenlow)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${BRENLOW_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "supplementary analysis of a case's Orvane Index scores")
# The synopsis above is the description's first line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"A calculator for clinical neuropsychologists. For one case it takes the
four Index scores of the Orvane adult intelligence battery and writes a
fixed-width text report: each score with 95% confidence limits and as
percentile ranks; the reliability and abnormality of each score's deviation
from the case's mean Index score, or of the pairwise differences, optionally
with a sequential Bonferroni correction; Monte Carlo base rates for the
numbers of abnormal scores and differences; and the Mahalanobis distance of
the whole profile.
.
The package holds the desktop program brenlow and the batch tool
brenlow-report, which writes the same reports for one case or a CSV file.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BRENLOW_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
