# SPDX-License-Identifier: GPL-3.0-or-later
# Installing both programs and the Debian package that carries them.
#
#   cmake --install build --prefix /usr   the programs, their manual pages, the help document,
#                                         the desktop entries, the icons, the AppStream metainfo,
#                                         the copyright file and the changelog
#   (cd build && cpack -G DEB)            brisvane_<version>_<arch>.deb
#
# The release notes live once, in packaging/releases.txt: the Debian changelog and the AppStream
# <releases> are made from it (cmake/releases.cmake). The manual pages are roff, in packaging/man,
# one per program of BV_PROGRAMS: a new program there needs its page and nothing else here.
# The icons are drawn once, as SVG, in packaging/icons. The PNG sizes of the hicolor theme and the
# programs' own window icons are rendered from them at build time (rsvg-convert, package
# librsvg2-bin), so no picture lives in the repository without its source.

include(GNUInstallDirs)

# The desktop entries and the AppStream components are named by reverse DNS. One prefix names both
# programs; main.cpp gives the same name to the toolkit (the window's desktop file).
set(BV_APP_ID_PREFIX "io.github.brisvane" CACHE STRING "Reverse-DNS prefix of the desktop entry and AppStream ids")
set(BV_PROJECT_URL "https://github.com/brisvane/brisvane" CACHE STRING "The project's home page")
set(BV_SCREENSHOT_URL "${BV_PROJECT_URL}/raw/main/docs/screenshots" CACHE STRING
    "Web folder of the README pictures, which the AppStream metainfo names as screenshots")
set(BV_MAINTAINER "Brisvane maintainers <maintainers@brisvane.invalid>" CACHE STRING "Maintainer of the Debian package")
# Who holds the copyright, as the About box, the manual pages, the copyright file and AppStream's
# <developer> name it. The licence is GPL-3.0-or-later (LICENSE).
set(BV_COPYRIGHT_HOLDER "The Brisvane developers" CACHE STRING "Copyright holder of Brisvane and Quillbar")
set(BV_COPYRIGHT_YEARS "2026" CACHE STRING "Years of the copyright line")
set(BV_COPYRIGHT "${BV_COPYRIGHT_YEARS} ${BV_COPYRIGHT_HOLDER}")
# The programs the package installs, each with its manual page packaging/man/<program>.1.in.
set(BV_PROGRAMS brisvane quillbar brisvane-cli)
target_compile_definitions(brisvane PRIVATE BV_DESKTOP_ID="${BV_APP_ID_PREFIX}.Brisvane")
target_compile_definitions(quillbar PRIVATE BV_DESKTOP_ID="${BV_APP_ID_PREFIX}.Quillbar")
target_compile_definitions(bv_app_ui PRIVATE BV_COPYRIGHT="${BV_COPYRIGHT}") # the About box

include(${CMAKE_CURRENT_LIST_DIR}/releases.cmake)
bv_read_releases(${CMAKE_SOURCE_DIR}/packaging/releases.txt)

# Icons: every hicolor size a desktop asks for, from the one SVG of each program.
find_program(BV_RSVG_CONVERT rsvg-convert)
if(NOT BV_RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert renders the icons: install librsvg2-bin (scripts/deps.sh does)")
endif()
set(bv_icon_root ${CMAKE_BINARY_DIR}/icons/hicolor)
foreach(app brisvane quillbar)
    set(svg ${CMAKE_SOURCE_DIR}/packaging/icons/${app}.svg)
    set(pngs)
    foreach(size 16 32 48 64 128 256)
        set(dir ${bv_icon_root}/${size}x${size}/apps)
        add_custom_command(OUTPUT ${dir}/${app}.png
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
            COMMAND ${BV_RSVG_CONVERT} -w ${size} -h ${size} -o ${dir}/${app}.png ${svg}
            DEPENDS ${svg} VERBATIM)
        list(APPEND pngs ${dir}/${app}.png)
        install(FILES ${dir}/${app}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    install(FILES ${svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    set(${app}_icon_pngs ${pngs})
endforeach()
# The window icons are the same pictures, built into the programs (":/icons/<size>/apps/<app>.png").
qt_add_resources(bv_app_ui brisvane_icons PREFIX /icons BASE ${bv_icon_root} FILES ${brisvane_icon_pngs})
qt_add_resources(quill_ui quillbar_icons PREFIX /icons BASE ${bv_icon_root} FILES ${quillbar_icon_pngs})

# Desktop entries and AppStream metainfo, named by their ids.
foreach(app Brisvane Quillbar)
    string(TOLOWER ${app} lower)
    set(id ${BV_APP_ID_PREFIX}.${app})
    configure_file(packaging/${lower}.desktop.in ${CMAKE_BINARY_DIR}/packaging/${id}.desktop @ONLY)
    configure_file(packaging/${lower}.metainfo.xml.in ${CMAKE_BINARY_DIR}/packaging/${id}.metainfo.xml @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/${id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/${id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endforeach()

install(TARGETS ${BV_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES docs/help/brisvane-help.html DESTINATION ${CMAKE_INSTALL_DATADIR}/brisvane)

# Manual pages, the changelog and the copyright file, compressed as Debian wants them: gzip -9,
# without the name and time stamp that would make two builds differ.
find_program(BV_GZIP gzip REQUIRED)
set(bv_docs)
function(bv_gzip source target)
    add_custom_command(OUTPUT ${target}
        COMMAND ${BV_GZIP} -9 -n -c ${source} > ${target}
        DEPENDS ${source} VERBATIM)
endfunction()
set(bv_doc_dir ${CMAKE_BINARY_DIR}/packaging)
foreach(program ${BV_PROGRAMS})
    configure_file(packaging/man/${program}.1.in ${bv_doc_dir}/${program}.1 @ONLY)
    bv_gzip(${bv_doc_dir}/${program}.1 ${bv_doc_dir}/${program}.1.gz)
    list(APPEND bv_docs ${bv_doc_dir}/${program}.1.gz)
    install(FILES ${bv_doc_dir}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
bv_gzip(${bv_doc_dir}/changelog ${bv_doc_dir}/changelog.gz)
list(APPEND bv_docs ${bv_doc_dir}/changelog.gz)
configure_file(packaging/copyright.in ${bv_doc_dir}/copyright @ONLY)
add_custom_target(bv_package_docs ALL DEPENDS ${bv_docs})
install(FILES ${bv_doc_dir}/copyright ${bv_doc_dir}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brisvane)

# The Debian package. Its library dependencies come from dpkg-shlibdeps; the rest are what the
# programs need at run time without linking it: the Arial stand-in (Liberation Sans), the content
# types behind file type names, and the icon theme for file icons.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brisvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${BV_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "disk clean-up utility and special-character bar")
# CPack puts the summary in front as the synopsis and indents every line of the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Brisvane finds files that waste disk space and removes them safely: a file
search by type, last use, size and folder, a finder of same-named files, a
Quick Clean of temporary files, a disk-space report and a measurement of the
space lost to partly filled clusters. Every search writes a plain-text log.

Quillbar is a floating bar of twelve buttons that types special characters
into another (X11) window, found by its title.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${BV_PROJECT_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, shared-mime-info, adwaita-icon-theme, hicolor-icon-theme")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
include(CPack)
