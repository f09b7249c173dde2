# `cmake -DSTATE=FILE -P SigningState.cmake`, run on every package build:
# writes which certificate the packages are to be signed with (from
# OSTRIVANE_SIGN_PFX and OSTRIVANE_SIGN_TIMESTAMP) to FILE, touching it only
# when that changed. The packages depend on FILE, so setting, changing or
# clearing the variables rebuilds them, and nothing else does.
set(pfx "$ENV{OSTRIVANE_SIGN_PFX}")
if(pfx)
  if(NOT IS_ABSOLUTE "${pfx}")
    message(FATAL_ERROR "OSTRIVANE_SIGN_PFX must be a full path; it is ${pfx}")
  endif()
  if(NOT EXISTS "${pfx}" OR IS_DIRECTORY "${pfx}")
    message(FATAL_ERROR "OSTRIVANE_SIGN_PFX names ${pfx}, which is no file")
  endif()
  # The file's digest, so that a renewed certificate in the same place counts
  # as a change. The password is never written down.
  file(SHA256 "${pfx}" digest)
  set(state "pfx ${pfx}\nsha256 ${digest}\ntimestamp $ENV{OSTRIVANE_SIGN_TIMESTAMP}\n")
  message(STATUS "Packages are signed with ${pfx}")
else()
  set(state "unsigned\n")
  message(STATUS "Packages are not signed (OSTRIVANE_SIGN_PFX is not set)")
endif()
file(WRITE "${STATE}.new" "${state}")
file(COPY_FILE "${STATE}.new" "${STATE}" ONLY_IF_DIFFERENT)
file(REMOVE "${STATE}.new")
