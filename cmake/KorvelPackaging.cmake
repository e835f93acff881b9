# Install rules for what the programs need around them (manual pages, AppStream
# metadata, bash completion, licence) and the Debian package made by
# `cpack -G DEB` in the build folder.

include(GNUInstallDirs)

# Manual pages, compressed at build time as Debian policy wants them.
set(KORVEL_MAN_PAGES korvel-cli.1)
if(KORVEL_GUI)
  list(APPEND KORVEL_MAN_PAGES korvel.1)
endif()
set(man_outputs)
foreach(page ${KORVEL_MAN_PAGES})
  set(src ${PROJECT_SOURCE_DIR}/docs/man/${page})
  set(out ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9 -n -c ${src} > ${out}
    DEPENDS ${src} VERBATIM)
  list(APPEND man_outputs ${out})
endforeach()
add_custom_target(korvel_man_pages ALL DEPENDS ${man_outputs})
install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${PROJECT_SOURCE_DIR}/data/bash-completion/korvel-cli
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
if(KORVEL_GUI)
  install(FILES ${PROJECT_SOURCE_DIR}/data/io.github.korvel.Korvel.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvel RENAME copyright)

set(CPACK_PACKAGE_NAME korvel)
set(CPACK_PACKAGE_VENDOR "The Korvel developers")
set(CPACK_PACKAGE_CONTACT "The Korvel developers <maintainers@korvel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "form file component order editor and converter")
set(CPACK_PACKAGE_DESCRIPTION
  "Korvel shows the components of .dfm, .fmx and .xfm form files (binary or text) as a tree, \
reorders them safely, edits their property text and writes the form back in the format it was \
loaded in. korvel-cli converts form files between binary and text and scripts the same edits \
without a display.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# Depends on the shared libraries the programs link, computed by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# What dpkg-shlibdeps cannot see: the window draws its SVG icons through Qt's
# SVG image and icon plugins, loaded at run time. The package that holds them
# is asked from dpkg, as its name differs between Debian releases.
if(KORVEL_GUI)
  set(svg_plugin_package "")
  set(svg_plugin ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}/iconengines/libqsvgicon.so)
  find_program(DPKG_QUERY dpkg-query)
  if(EXISTS ${svg_plugin} AND DPKG_QUERY)
    execute_process(COMMAND ${DPKG_QUERY} -S ${svg_plugin}
      OUTPUT_VARIABLE owner RESULT_VARIABLE rc ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(rc EQUAL 0 AND owner MATCHES "^([^:,]+)")
      set(svg_plugin_package ${CMAKE_MATCH_1})
    endif()
  endif()
  if(svg_plugin_package)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS ${svg_plugin_package})
  endif()
  # The window's Japanese monospaced stand-in font, and Qt's translations of its own
  # texts (standard buttons, file dialogs) that the window loads for its language.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, qt6-translations-l10n")
endif()

include(CPack)
