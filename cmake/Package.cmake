# `cmake --build --preset windows --target package`: the Windows Installer
# package (wixl, from Debian's wixl/msitools) and the portable zip, both named
# from the project version, at the top of the build folder.
set(OSTRIVANE_HELP_LINK "https://ostrivane.example/help" CACHE STRING "The help link of the Apps & features entry")
set(OSTRIVANE_ICON "${PROJECT_SOURCE_DIR}/res/ostrivane.ico")
set(OSTRIVANE_STAGE "${PROJECT_BINARY_DIR}/package-stage/Ostrivane")
set(OSTRIVANE_MSI "${PROJECT_BINARY_DIR}/Ostrivane-${PROJECT_VERSION}-x64.msi")
set(OSTRIVANE_ZIP "${PROJECT_BINARY_DIR}/Ostrivane-${PROJECT_VERSION}-x64-portable.zip")
# wixl takes files by names relative to the .wxs, so it is written beside
# the gathered files.
configure_file("${PROJECT_SOURCE_DIR}/packaging/Ostrivane.wxs.in" "${PROJECT_BINARY_DIR}/package-stage/Ostrivane.wxs" @ONLY)
configure_file("${PROJECT_SOURCE_DIR}/packaging/ReadMe.txt.in" "${PROJECT_BINARY_DIR}/packaging/ReadMe.txt"
               @ONLY NEWLINE_STYLE CRLF)

find_program(OSTRIVANE_WIXL wixl)
if(OSTRIVANE_WIXL)
  set(wixl_command "${OSTRIVANE_WIXL}" -a x64 -o "${OSTRIVANE_MSI}" Ostrivane.wxs)
else()
  set(wixl_command ${CMAKE_COMMAND} -E echo "wixl was not found: run scripts/setup.sh (Debian's wixl package)" COMMAND false)
endif()

set(staged
  "${OSTRIVANE_STAGE}/ostrivane.exe" "${OSTRIVANE_STAGE}/ostrivane-cli.exe"
  "${OSTRIVANE_STAGE}/Ostrivane.chm" "${OSTRIVANE_STAGE}/ReadMe.txt")
add_custom_command(
  OUTPUT ${staged}
  COMMAND ${CMAKE_COMMAND} -E rm -rf "${OSTRIVANE_STAGE}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${OSTRIVANE_STAGE}"
  COMMAND ${CMAKE_COMMAND} -E copy "${OSTRIVANE_ICON}" "${PROJECT_BINARY_DIR}/package-stage"
  COMMAND ${CMAKE_COMMAND} -E copy "$<TARGET_FILE:ostrivane>" "$<TARGET_FILE:ostrivane-cli>"
          "${PROJECT_BINARY_DIR}/Ostrivane.chm" "${PROJECT_BINARY_DIR}/packaging/ReadMe.txt" "${OSTRIVANE_STAGE}"
  # The build keeps debug information; what is shipped does without.
  COMMAND "${CMAKE_STRIP}" --strip-debug "${OSTRIVANE_STAGE}/ostrivane.exe" "${OSTRIVANE_STAGE}/ostrivane-cli.exe"
  DEPENDS ostrivane ostrivane-cli ostrivane_help "${PROJECT_BINARY_DIR}/Ostrivane.chm"
          "${PROJECT_BINARY_DIR}/packaging/ReadMe.txt"
  COMMENT "Gathering the files to ship"
  VERBATIM)
add_custom_command(
  OUTPUT "${OSTRIVANE_MSI}"
  COMMAND ${wixl_command}
  WORKING_DIRECTORY "${PROJECT_BINARY_DIR}/package-stage"
  DEPENDS ${staged} "${PROJECT_BINARY_DIR}/package-stage/Ostrivane.wxs" "${OSTRIVANE_ICON}"
  COMMENT "Building ${OSTRIVANE_MSI}"
  VERBATIM)
# The zip holds one folder, Ostrivane\, so it unpacks tidily anywhere.
add_custom_command(
  OUTPUT "${OSTRIVANE_ZIP}"
  COMMAND ${CMAKE_COMMAND} -E rm -f "${OSTRIVANE_ZIP}"
  COMMAND ${CMAKE_COMMAND} -E tar cf "${OSTRIVANE_ZIP}" --format=zip Ostrivane
  WORKING_DIRECTORY "${PROJECT_BINARY_DIR}/package-stage"
  DEPENDS ${staged}
  COMMENT "Building ${OSTRIVANE_ZIP}"
  VERBATIM)
add_custom_target(package DEPENDS "${OSTRIVANE_MSI}" "${OSTRIVANE_ZIP}")
