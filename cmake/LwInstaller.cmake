# The Windows installer lumenwhirl-setup.exe, made with NSIS's makensis from
# scripts/installer/lumenwhirl.nsi. Included by the WIN32 cross build once
# the lumenwhirl target exists. The show package comes from the native build
# (the cross build cannot run lwgen): LW_WIN_PACKAGE.
#
# Run as a script (cmake -DLW_PACKAGE=... -P LwInstaller.cmake) it is the
# build step that stops the build, saying where it looked, when the package
# is missing.

if(CMAKE_SCRIPT_MODE_FILE)
  if(NOT EXISTS "${LW_PACKAGE}")
    message(FATAL_ERROR "lumenwhirl-setup.exe needs the show package ${LW_PACKAGE}, which is missing: "
      "build the native tree first (it makes build/data/lwhirl.dat), or point LW_WIN_PACKAGE at a package.")
  endif()
  return()
endif()

set(LW_WIN_PACKAGE "${PROJECT_SOURCE_DIR}/build/data/lwhirl.dat" CACHE FILEPATH
  "The show package lumenwhirl-setup.exe installs, made by the native build")
find_program(LW_MAKENSIS makensis)

if(LW_MAKENSIS)
  set(LW_SETUP ${CMAKE_BINARY_DIR}/lumenwhirl-setup.exe)
  set(LW_SETUP_PACKAGE ${CMAKE_BINARY_DIR}/installer/lwhirl.dat)
  set(LW_NSI ${PROJECT_SOURCE_DIR}/scripts/installer/lumenwhirl.nsi)
  set(LW_NSIS_FLAGS -V2 -NOCD)
  if(LW_WERROR)
    list(APPEND LW_NSIS_FLAGS -WX)
  endif()

  # NSIS wants four numbers; CMake gives one to four.
  set(LW_VERSION_QUAD ${PROJECT_VERSION})
  while(NOT LW_VERSION_QUAD MATCHES "^[^.]+[.][^.]+[.][^.]+[.][^.]+$")
    string(APPEND LW_VERSION_QUAD ".0")
  endwhile()

  # Always run, so a package remade by the native build is picked up. The
  # copy keeps its time stamp while the bytes are the same, and it is what
  # the installer depends on.
  add_custom_target(lumenwhirl_setup_package
    COMMAND ${CMAKE_COMMAND} -DLW_PACKAGE=${LW_WIN_PACKAGE} -P ${CMAKE_CURRENT_LIST_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/installer
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${LW_WIN_PACKAGE} ${LW_SETUP_PACKAGE}
    BYPRODUCTS ${LW_SETUP_PACKAGE}
    COMMENT "Taking the show package for the installer from ${LW_WIN_PACKAGE}"
    VERBATIM)

  # Written aside and renamed, so nothing ever runs half an installer.
  add_custom_command(OUTPUT ${LW_SETUP}
    COMMAND ${LW_MAKENSIS} ${LW_NSIS_FLAGS}
      -DLW_VERSION=${PROJECT_VERSION}
      -DLW_VERSION_QUAD=${LW_VERSION_QUAD}
      -DLW_SCR=$<TARGET_FILE:lumenwhirl>
      -DLW_PACKAGE=${LW_SETUP_PACKAGE}
      -DLW_ICON=${LW_ICON}
      -DLW_OUTFILE=${LW_SETUP}.part
      ${LW_NSI}
    COMMAND ${CMAKE_COMMAND} -E rename ${LW_SETUP}.part ${LW_SETUP}
    DEPENDS ${LW_NSI} lumenwhirl $<TARGET_FILE:lumenwhirl> ${LW_SETUP_PACKAGE} ${LW_ICON}
    COMMENT "Making the installer lumenwhirl-setup.exe"
    VERBATIM)
  add_custom_target(lumenwhirl_setup ALL DEPENDS ${LW_SETUP})
  add_dependencies(lumenwhirl_setup lumenwhirl_setup_package)
else()
  message(STATUS "makensis not found: no lumenwhirl-setup.exe (Debian's package nsis has it)")
endif()
