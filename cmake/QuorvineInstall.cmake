# What `cmake --install` puts in place, and the Debian package made from it with CPack.
# Only the programs and their documents are installed: the test tools, the benchmarks, the
# tests and the static core libraries stay in the build tree.
include(GNUInstallDirs)

set(QUORVINE_MAINTAINER "Quorvine developers <quorvine@example.org>" CACHE STRING
    "Maintainer of the Debian package and its changelog entry (scripts/build-deb.sh sets it from DEBFULLNAME and DEBEMAIL)")
set(QUORVINE_DEB_VERSION "${PROJECT_VERSION}-1")

install(TARGETS quorvine RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/data/completion/quorvine
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/json.md ${CMAKE_SOURCE_DIR}/data/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(man_pages quorvine)
if(TARGET quorvine-gui)
  list(APPEND man_pages quorvine-gui)
  install(TARGETS quorvine-gui RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/data/quorvine-gui.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/data/io.github.quorvine.gui.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${CMAKE_SOURCE_DIR}/data/icons/quorvine-gui.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # Menus that cannot draw SVG take the bitmaps rendered from it.
  find_program(RSVG_CONVERT rsvg-convert)
  if(RSVG_CONVERT)
    set(icon_pngs)
    foreach(size 32 48 64 128 256)
      set(png ${CMAKE_BINARY_DIR}/icons/${size}/quorvine-gui.png)
      add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
        COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${CMAKE_SOURCE_DIR}/data/icons/quorvine-gui.svg
        DEPENDS ${CMAKE_SOURCE_DIR}/data/icons/quorvine-gui.svg VERBATIM)
      list(APPEND icon_pngs ${png})
      install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    add_custom_target(quorvine_icons ALL DEPENDS ${icon_pngs})
  else()
    message(STATUS "rsvg-convert not found: only the scalable icon is installed")
  endif()
endif()

# Manual pages, rendered from their scdoc sources at build time.
find_program(SCDOC scdoc)
if(SCDOC)
  set(rendered)
  foreach(page ${man_pages})
    set(source ${CMAKE_SOURCE_DIR}/docs/man/${page}.1.scd)
    set(output ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -DSCDOC=${SCDOC} -DIN=${source} -DOUT=${output}
              -P ${CMAKE_SOURCE_DIR}/cmake/RenderManPage.cmake
      DEPENDS ${source} ${CMAKE_SOURCE_DIR}/cmake/RenderManPage.cmake
      COMMENT "Rendering the manual page ${page}(1)" VERBATIM)
    list(APPEND rendered ${output})
    install(FILES ${output} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  add_custom_target(quorvine_man_pages ALL DEPENDS ${rendered})
else()
  message(WARNING "scdoc not found: the manual pages are not built (scripts/setup-deps.sh installs it)")
endif()

# The Debian package's changelog; its first entry carries the package version.
configure_file(${CMAKE_SOURCE_DIR}/data/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/debian/changelog.Debian
  DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.Debian VERBATIM)
add_custom_target(quorvine_debian_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz)
install(FILES ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package: the runtime above, its library dependencies found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvine)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUORVINE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUORVINE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert Exchange mailbox store databases to MBOX files")
# CPack puts the summary first and indents the rest, writing an empty line as " .".
set(CPACK_PACKAGE_DESCRIPTION "Quorvine reads the database files of Microsoft Exchange 2003/2007, 2010 and
2013 mailbox stores (.edb) without an Exchange server. It lists the mailboxes,
their folder trees and messages, previews any item, and exports messages,
folders or whole mailboxes into MBOX files, one file per folder.

The package holds the command-line program quorvine, for scripts and servers,
and the desktop application quorvine-gui.")
# Directories the package creates get the usual modes whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
