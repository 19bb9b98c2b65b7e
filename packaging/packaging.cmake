# Installation extras and the Debian package. Included from the top-level
# CMakeLists.txt after every install() rule, so CPack sees them all.

# The list a user's own is made from on first use; the programs never write
# beside themselves in an installation (see engine/list_location.h).
install(FILES ${PROJECT_SOURCE_DIR}/ui/starter_list.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pardovane RENAME HtmlURL.txt)

# Manual pages and the changelog go compressed, and without a time stamp in
# the gzip header so a rebuild gives the same bytes.
find_program(PARDOVANE_GZIP gzip REQUIRED)
set(pardovane_gzipped)
function(pardovane_gzip source destination)
  get_filename_component(name ${source} NAME)
  set(output ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "${PARDOVANE_GZIP} -9nc \"$1\" > \"$2\"" sh ${source} ${output}
    DEPENDS ${source} VERBATIM)
  install(FILES ${output} DESTINATION ${destination})
  set(pardovane_gzipped ${pardovane_gzipped} ${output} PARENT_SCOPE)
endfunction()

pardovane_gzip(${PROJECT_SOURCE_DIR}/cli/pardovane-check.1 ${CMAKE_INSTALL_MANDIR}/man1)
pardovane_gzip(${CMAKE_CURRENT_LIST_DIR}/changelog ${CMAKE_INSTALL_DATADIR}/doc/pardovane)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pardovane)
if(TARGET pardovane)
  pardovane_gzip(${PROJECT_SOURCE_DIR}/ui/pardovane.1 ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/pardovane.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
          RENAME ${PARDOVANE_APP_ID}.metainfo.xml)
endif()
add_custom_target(pardovane_gzipped_docs ALL DEPENDS ${pardovane_gzipped})

set(CPACK_PACKAGE_NAME pardovane)
set(CPACK_PACKAGE_VENDOR "Pardovane")
set(CPACK_PACKAGE_CONTACT "Pardovane maintainers <pardovane@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "link checker for a list of web pages")
set(CPACK_PACKAGE_DESCRIPTION "\
Pardovane checks the links of the web pages listed in a plain text file.
Every page is fetched, the href of each <a> tag and the src of each <img>
tag is resolved and requested, and a report names every page, every
broken link under it and a verdict per page. The window shows the report,
and pardovane-check runs the same check from scripts and CI, writing it
as text, JSON or JUnit XML.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binaries (curl, RE2, expat, toml++, and for
# Markdown libcmark-gfm0.29.0.gfm.6, libcmark-gfm-extensions0.29.0.gfm.6 and
# libicu72, which shlibdeps names with their versions); what they load at run time does not
# show there: Qt's platform plugins, CA certificates for https, a font with
# Japanese glyphs for the window's texts, and xdg-open, through which the
# edit button finds the user's text editor.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, ca-certificates")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic, xdg-utils, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
