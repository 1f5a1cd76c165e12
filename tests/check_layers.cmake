# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a file of the windows includes a header of a library that the core keeps to itself
# (libcurl, RE2, PCRE2, ICU): the windows reach the network, charsets and patterns through the core.
foreach(file IN LISTS FILES)
  file(STRINGS ${file} includes REGEX "^#include [<\"](curl/|re2/|pcre2|unicode/)")
  if(includes)
    message(SEND_ERROR "${file} includes ${includes}")
  endif()
endforeach()
