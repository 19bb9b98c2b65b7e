# Installation extras and the Debian package. Included from the top-level
# CMakeLists.txt after every install() rule, so CPack sees them all.

# The list the window starts with. The package keeps a pristine copy in
# share/; its maintainer script puts it beside the program only when no list
# is there (see postinst), so dpkg never owns, and never replaces, the list a
# user edits.
install(FILES ${PROJECT_SOURCE_DIR}/ui/starter_list.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pardovane RENAME HtmlURL.txt)

# `cmake --install` does the same directly. Kept out of the package (see
# CPACK_INSTALL_CMAKE_PROJECTS), where it would make the list a packaged file.
install(CODE "
  set(SOURCE \"${PROJECT_SOURCE_DIR}/ui/starter_list.txt\")
  set(DESTINATION \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/HtmlURL.txt\")
  include(\"${PROJECT_SOURCE_DIR}/ui/place_starter_list.cmake\")
  " COMPONENT starter_list)

set(CPACK_PACKAGE_NAME pardovane)
set(CPACK_PACKAGE_VENDOR "Pardovane")
set(CPACK_PACKAGE_CONTACT "Pardovane maintainers <maintainers@users.noreply.c-seed-876da114.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "link checker for a list of web pages")
set(CPACK_PACKAGE_DESCRIPTION "\
Pardovane checks the links of the web pages listed in a plain text file.
Every page is fetched, the href of each <a> tag and the src of each <img>
tag is resolved and requested, and a report names every page, every
broken link under it and a verdict per page. The window shows the report,
and pardovane-check runs the same check from scripts and CI, writing it
as text, JSON or JUnit XML.")
set(CPACK_STRIP_FILES ON)
# Everything but the starter_list component.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};Unspecified;/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binaries; what they load at run time does not
# show there: Qt's platform plugins, CA certificates for https, and a font
# with Japanese glyphs for the window's texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, ca-certificates")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/postinst
    ${CMAKE_CURRENT_LIST_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
