# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the site together in SITE: FILES, the icon ICON as icon.svg and the
# licence LICENCE as COPYING.txt, then sw.js from WORKER, listing what the
# page needs offline and a version made from all of it.
file(REMOVE_RECURSE ${SITE})
file(MAKE_DIRECTORY ${SITE})
file(COPY ${FILES} DESTINATION ${SITE})
file(COPY_FILE ${ICON} ${SITE}/icon.svg)
file(COPY_FILE ${LICENCE} ${SITE}/COPYING.txt)

set(kept "'./'")
set(hashes)
file(GLOB names RELATIVE ${SITE} ${SITE}/*)
list(SORT names)
foreach(name IN LISTS names)
  file(SHA256 ${SITE}/${name} hash)
  string(APPEND hashes "${name} ${hash}\n")
  if(NOT name STREQUAL "COPYING.txt")
    string(APPEND kept ", '${name}'")
  endif()
endforeach()
string(SHA256 version "${hashes}")
string(SUBSTRING ${version} 0 16 BRELON_SITE_VERSION)
set(BRELON_SITE_FILES ${kept})
configure_file(${WORKER} ${SITE}/sw.js @ONLY)
