# What `cmake --install` puts where, and the Debian package built from it by CPack.
# The programs, the desktop entry and the icons are installed next to their targets.

install(FILES docs/man/paravue.1 docs/man/paravue-report.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES res/example.paravue.MobileData.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY examples/
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
        FILES_MATCHING PATTERN "*.json")
install(FILES README.md docs/scenarios.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR} OPTIONAL)

set(CPACK_PACKAGE_NAME "paravue")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Paravue developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Paravue for Mobile Data: diagnostic report of a cellular modem")
set(CPACK_PACKAGE_DESCRIPTION
    "Shows, in one window or on standard output, a plain-text report of everything the\n\
system's mobile-broadband service says about the first cellular modem, ready to be\n\
pasted into a support ticket.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Paravue developers <feedback@paravue.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://paravue.example/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "modemmanager, fonts-liberation")
set(CPACK_STRIP_FILES ON)
include(CPack)
