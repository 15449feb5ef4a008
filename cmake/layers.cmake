# SPDX-License-Identifier: GPL-3.0-or-later
# Brisvane's layers as libraries, bottom up; each links only the layers below it:
#
#   bv_platform      platform/       the only code that calls the OS and GIO (Qt Core)
#   bv_common        common/         what every feature uses: program and run state, the search
#                                    log, number and date texts, the walk, the recorded removal,
#                                    its wording, the run's ways to the user, the command line
#   bv_<feature>     <feature>/      one per feature folder: its runs and rules (links bv_common)
#   bv_app           app/            the command states of the main window
#   ---- windows (not built with BV_CORE_ONLY) ----
#   bv_platform_ui   platform/ui/    message boxes, fonts and the designed look, the input guard,
#                                    file icons, accessible text, the end on a signal
#   bv_common_ui     common/ui/      what every window uses: print surface, counters, the panel
#                                    host, drive and folder lists, pattern boxes, the move dialog,
#                                    the layout tables' builder
#   bv_<feature>_ui  <feature>/ui/   the feature's windows (link bv_<feature> and bv_common_ui)
#   bv_app_ui        app/ui/         the main window, the feature table, icon bar, log panel
#   brisvane         app/main.cpp
#
# A library sees exactly its own headers and those of the libraries it links: each library's
# headers are linked (symbolic links made at configure time) into an include tree of its own,
# <build>/include/<library>/<folder>/<name>.h, and that tree is the only include folder it
# exports. So the file search's core cannot find "search/ui/filesearchframe.h", nor the platform
# layer a feature's header: a wrong include fails to compile (tests/layers shows it). Headers are
# always included by their path from the source root ("common/walk.h"), never by a bare name
# (scripts/check-layers.sh checks it), since a bare name is looked up beside the including file.

# bv_header_tree(<target> <folder>...): links the headers directly in each <folder> (a path from
# the source root) into the target's include tree and exports it.
function(bv_header_tree target)
    set(root ${CMAKE_BINARY_DIR}/include/${target})
    file(REMOVE_RECURSE ${root})
    file(MAKE_DIRECTORY ${root})
    foreach(folder IN LISTS ARGN)
        file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.h)
        foreach(header IN LISTS headers)
            get_filename_component(name ${header} NAME)
            file(MAKE_DIRECTORY ${root}/${folder})
            file(CREATE_LINK ${header} ${root}/${folder}/${name} SYMBOLIC)
        endforeach()
    endforeach()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()

# bv_layer(<target> <folder> [LINKS <libraries>...] [PRIVATE_LINKS <libraries>...]
#          [EXCLUDE <regex>]): a static library of the sources directly in <folder> (its
# sub-folders are other layers), with its own include tree. Every such library is shipped code:
# the global property BV_LAYER_LIBRARIES lists them (the hardened build applies to them).
function(bv_layer target folder)
    cmake_parse_arguments(L "" "EXCLUDE" "LINKS;PRIVATE_LINKS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
    if(L_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "${L_EXCLUDE}")
    endif()
    add_library(${target} STATIC ${sources})
    set_property(GLOBAL APPEND PROPERTY BV_LAYER_LIBRARIES ${target})
    bv_header_tree(${target} ${folder})
    target_link_libraries(${target} PUBLIC ${L_LINKS} PRIVATE ${L_PRIVATE_LINKS})
endfunction()
