# `cmake -D... -P WriteManifests.cmake`, after the MSI and the zip are
# built (and signed): writes the Windows Package Manager manifest of the MSI
# and the Scoop manifest of the portable zip, each with the SHA-256 of the
# file as built and the MSI's product code as the MSI holds it.
# In: MSI, ZIP, MSIINFO, VERSION, PUBLISHER, COPYRIGHT, DESCRIPTION, LICENSE,
#     HOMEPAGE, DOWNLOAD_URL, TEMPLATES (folder), WINGET_OUT, SCOOP_OUT.

if(NOT MSIINFO)
  message(FATAL_ERROR "msiinfo was not found: run scripts/setup.sh (Debian's msitools package). "
                      "It reads the product code of the MSI for the winget manifest.")
endif()
# The product code is made anew for every MSI (Id="*"), so only the built
# package knows it.
execute_process(COMMAND "${MSIINFO}" export "${MSI}" Property
                OUTPUT_VARIABLE properties ERROR_VARIABLE error RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "msiinfo could not read the Property table of ${MSI}: ${error}")
endif()
if(NOT properties MATCHES "(^|\n)ProductCode\t(\\{[0-9A-Fa-f-]+\\})\r?(\n|$)")
  message(FATAL_ERROR "${MSI} has no ProductCode in its Property table")
endif()
set(PRODUCT_CODE "${CMAKE_MATCH_2}")

file(SHA256 "${MSI}" MSI_SHA256)
string(TOUPPER "${MSI_SHA256}" MSI_SHA256)
file(SHA256 "${ZIP}" ZIP_SHA256)
get_filename_component(msi_name "${MSI}" NAME)
get_filename_component(zip_name "${ZIP}" NAME)

# Each text as single-quoted YAML (' doubled) and as a JSON string.
function(quote name value)
  string(REPLACE "'" "''" yaml "${value}")
  string(REPLACE "\\" "\\\\" json "${value}")
  string(REPLACE "\"" "\\\"" json "${json}")
  set(Y_${name} "${yaml}" PARENT_SCOPE)
  set(J_${name} "${json}" PARENT_SCOPE)
endfunction()
quote(PUBLISHER "${PUBLISHER}")
quote(COPYRIGHT "${COPYRIGHT}")
quote(DESCRIPTION "${DESCRIPTION}")
quote(LICENSE "${LICENSE}")
quote(HOMEPAGE "${HOMEPAGE}")
quote(MSI_URL "${DOWNLOAD_URL}/${msi_name}")
quote(ZIP_URL "${DOWNLOAD_URL}/${zip_name}")

configure_file("${TEMPLATES}/Ostrivane.winget.yaml.in" "${WINGET_OUT}" @ONLY NEWLINE_STYLE LF)
configure_file("${TEMPLATES}/ostrivane.scoop.json.in" "${SCOOP_OUT}" @ONLY NEWLINE_STYLE LF)
# configure_file leaves an unchanged file as it was; the build must see it
# newer than the packages it was made from.
file(TOUCH "${WINGET_OUT}" "${SCOOP_OUT}")
message(STATUS "Manifests: ${WINGET_OUT} and ${SCOOP_OUT} (product code ${PRODUCT_CODE})")
