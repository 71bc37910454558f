# What `cmake --install` puts where, and the Debian package built from it by CPack.
# The programs, the desktop entry and the icons are installed next to their targets.

# Manual pages and the Debian changelog are installed compressed, as Debian
# wants them: gzip -9n, so that the same sources give the same bytes.
set(compressed_dir ${CMAKE_BINARY_DIR}/compressed)
set(compressed_files)
foreach(source IN ITEMS docs/man/paravue.1 docs/man/paravue-report.1 cmake/debian/changelog)
    get_filename_component(name ${source} NAME)
    if(name STREQUAL "changelog")
        set(name changelog.Debian)
    endif()
    add_custom_command(
        OUTPUT ${compressed_dir}/${name}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${compressed_dir}
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${source} ${compressed_dir}/${name}
        COMMAND gzip -9nf ${compressed_dir}/${name}
        DEPENDS ${PROJECT_SOURCE_DIR}/${source}
        COMMENT "Compressing ${source}"
        VERBATIM)
    list(APPEND compressed_files ${compressed_dir}/${name}.gz)
endforeach()
add_custom_target(paravue_compressed_docs ALL DEPENDS ${compressed_files})
install(FILES ${compressed_dir}/paravue.1.gz ${compressed_dir}/paravue-report.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${compressed_dir}/changelog.Debian.gz cmake/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES res/example.paravue.MobileData.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY examples/
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
        FILES_MATCHING PATTERN "*.json")
# The installed README names only what is installed beside it; the
# repository's README is for a working tree.
install(FILES docs/README.installed.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME README.md)
install(FILES docs/scenarios.md docs/modemmanager.md docs/metrics.md docs/paravue-alerts.yml
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The metrics timer and its service: installed, not enabled (metrics.md says
# how); /usr/lib/systemd/system is where Debian wants packaged units.
install(FILES res/systemd/paravue-metrics.service res/systemd/paravue-metrics.timer
        DESTINATION lib/systemd/system)

set(CPACK_PACKAGE_NAME "paravue")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
# The package's revision is the one the changelog's newest entry names, for
# this version of the programs.
file(STRINGS cmake/debian/changelog newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^paravue \\(([^)-]+)-([0-9]+)\\)")
    message(FATAL_ERROR "cmake/debian/changelog: the first line names no version-revision")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "cmake/debian/changelog: newest entry is for ${CMAKE_MATCH_1}, "
                        "the project is ${PROJECT_VERSION}")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})
set(CPACK_PACKAGE_VENDOR "The Paravue developers")
# Debian wants the summary not to begin with the package's name, and lines
# of the description within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "diagnostic report of a cellular modem (Paravue for Mobile Data)")
set(CPACK_PACKAGE_DESCRIPTION
    "Shows, in one window or on standard output, a plain-text report of\n\
everything the system's mobile-broadband service says about the first\n\
cellular modem, ready to be pasted into a support ticket.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Paravue developers <feedback@paravue.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://paravue.example/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "modemmanager, fonts-liberation")
set(CPACK_STRIP_FILES ON)
include(CPack)
