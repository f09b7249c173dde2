# `cmake --build --preset windows --target package`: the Windows Installer
# package (wixl, from Debian's wixl/msitools) and the portable zip, both named
# from the project version, at the top of the build folder, and the package
# managers' manifests of them in manifests/. When OSTRIVANE_SIGN_PFX names a
# certificate at build time, both programs are signed before they go into the
# packages, and the MSI once it is built (osslsigncode, Authenticode).
set(OSTRIVANE_HELP_LINK "https://ostrivane.example/help" CACHE STRING "The help link of the Apps & features entry")
set(OSTRIVANE_DOWNLOAD_URL "https://ostrivane.example/download" CACHE STRING
    "Where the packages are published: the package managers' manifests name the MSI and the zip under it")
set(OSTRIVANE_LICENSE "Proprietary" CACHE STRING "The license named in the package managers' manifests")
set(OSTRIVANE_ICON "${PROJECT_SOURCE_DIR}/res/ostrivane.ico")
set(OSTRIVANE_STAGE "${PROJECT_BINARY_DIR}/package-stage/Ostrivane")
set(OSTRIVANE_MSI "${PROJECT_BINARY_DIR}/Ostrivane-${PROJECT_VERSION}-x64.msi")
set(OSTRIVANE_ZIP "${PROJECT_BINARY_DIR}/Ostrivane-${PROJECT_VERSION}-x64-portable.zip")
set(OSTRIVANE_WINGET_MANIFEST "${PROJECT_BINARY_DIR}/manifests/winget/Ostrivane.Ostrivane.yaml")
set(OSTRIVANE_SCOOP_MANIFEST "${PROJECT_BINARY_DIR}/manifests/scoop/ostrivane.json")
set(OSTRIVANE_DESCRIPTION "Moves a folder or file and re-maps every reference to it")
# wixl takes files by names relative to the .wxs, so it is written beside
# the gathered files.
configure_file("${PROJECT_SOURCE_DIR}/packaging/Ostrivane.wxs.in" "${PROJECT_BINARY_DIR}/package-stage/Ostrivane.wxs" @ONLY)
configure_file("${PROJECT_SOURCE_DIR}/packaging/ReadMe.txt.in" "${PROJECT_BINARY_DIR}/packaging/ReadMe.txt"
               @ONLY NEWLINE_STYLE CRLF)

find_program(OSTRIVANE_WIXL wixl)
if(OSTRIVANE_WIXL)
  set(wixl_command "${OSTRIVANE_WIXL}" -a x64 -o "${PROJECT_BINARY_DIR}/package-stage/Ostrivane.msi" Ostrivane.wxs)
else()
  set(wixl_command ${CMAKE_COMMAND} -E echo "wixl was not found: run scripts/setup.sh (Debian's wixl package)" COMMAND false)
endif()
find_program(OSTRIVANE_MSIINFO msiinfo)

# Which certificate signs, checked on every build: a change of the signing
# variables rebuilds the packages (the state file is only touched then).
set(signing_state "${PROJECT_BINARY_DIR}/package-stage/signing-state.txt")
add_custom_target(package_signing_state
  COMMAND ${CMAKE_COMMAND} "-DSTATE=${signing_state}" -P "${PROJECT_SOURCE_DIR}/cmake/SigningState.cmake"
  BYPRODUCTS "${signing_state}"
  VERBATIM)
set(sign_file bash "${PROJECT_SOURCE_DIR}/cmake/sign-file.sh")
set(sign_depends "${PROJECT_SOURCE_DIR}/cmake/sign-file.sh" "${signing_state}")

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
  # Signed last: any later change to a program would break its signature.
  COMMAND ${sign_file} "${OSTRIVANE_STAGE}/ostrivane.exe" "${OSTRIVANE_STAGE}/ostrivane.exe"
          "Ostrivane" "${OSTRIVANE_HELP_LINK}"
  COMMAND ${sign_file} "${OSTRIVANE_STAGE}/ostrivane-cli.exe" "${OSTRIVANE_STAGE}/ostrivane-cli.exe"
          "Ostrivane console front end" "${OSTRIVANE_HELP_LINK}"
  DEPENDS ostrivane ostrivane-cli ostrivane_help "${PROJECT_BINARY_DIR}/Ostrivane.chm"
          "${PROJECT_BINARY_DIR}/packaging/ReadMe.txt" ${sign_depends}
  COMMENT "Gathering the files to ship"
  VERBATIM)
# wixl builds into the stage; the MSI appears at the top, signed or not,
# only when it is complete.
add_custom_command(
  OUTPUT "${OSTRIVANE_MSI}"
  COMMAND ${wixl_command}
  COMMAND ${sign_file} "${PROJECT_BINARY_DIR}/package-stage/Ostrivane.msi" "${OSTRIVANE_MSI}"
          "Ostrivane ${PROJECT_VERSION}" "${OSTRIVANE_HELP_LINK}"
  WORKING_DIRECTORY "${PROJECT_BINARY_DIR}/package-stage"
  DEPENDS ${staged} "${PROJECT_BINARY_DIR}/package-stage/Ostrivane.wxs" "${OSTRIVANE_ICON}" ${sign_depends}
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
# Made from the finished packages: their hashes are those of the files
# published.
add_custom_command(
  OUTPUT "${OSTRIVANE_WINGET_MANIFEST}" "${OSTRIVANE_SCOOP_MANIFEST}"
  COMMAND ${CMAKE_COMMAND}
          "-DMSI=${OSTRIVANE_MSI}" "-DZIP=${OSTRIVANE_ZIP}" "-DMSIINFO=${OSTRIVANE_MSIINFO}"
          "-DVERSION=${PROJECT_VERSION}" "-DPUBLISHER=${OSTRIVANE_PUBLISHER}" "-DCOPYRIGHT=${OSTRIVANE_COPYRIGHT}"
          "-DDESCRIPTION=${OSTRIVANE_DESCRIPTION}" "-DLICENSE=${OSTRIVANE_LICENSE}"
          "-DHOMEPAGE=${OSTRIVANE_HELP_LINK}" "-DDOWNLOAD_URL=${OSTRIVANE_DOWNLOAD_URL}"
          "-DTEMPLATES=${PROJECT_SOURCE_DIR}/packaging"
          "-DWINGET_OUT=${OSTRIVANE_WINGET_MANIFEST}" "-DSCOOP_OUT=${OSTRIVANE_SCOOP_MANIFEST}"
          -P "${PROJECT_SOURCE_DIR}/cmake/WriteManifests.cmake"
  DEPENDS "${OSTRIVANE_MSI}" "${OSTRIVANE_ZIP}" "${PROJECT_SOURCE_DIR}/cmake/WriteManifests.cmake"
          "${PROJECT_SOURCE_DIR}/packaging/Ostrivane.winget.yaml.in"
          "${PROJECT_SOURCE_DIR}/packaging/ostrivane.scoop.json.in"
  COMMENT "Writing the winget and Scoop manifests"
  VERBATIM)
add_custom_target(package DEPENDS "${OSTRIVANE_MSI}" "${OSTRIVANE_ZIP}" "${OSTRIVANE_WINGET_MANIFEST}"
                                  "${OSTRIVANE_SCOOP_MANIFEST}")
