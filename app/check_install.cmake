# Installs the build in BUILD_DIR into a scratch PREFIX and checks that the program,
# its menu entry and both icon sizes land where a desktop looks for them, and that the
# entry hands the program the file manager's whole selection and claims folders only:
# file managers offer it for folders, and it never becomes the opener of ordinary files.
# The manual page and the bash completion land where man and bash look.
# Run as: cmake -DBUILD_DIR=... -DPREFIX=... -DBINDIR=bin -DDATADIR=share -DMANDIR=share/man
#   -P check_install.cmake
cmake_policy(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${installed}")
endif()

set(program "${PREFIX}/${BINDIR}/batch-renamer")
if(NOT EXISTS "${program}" OR IS_DIRECTORY "${program}")
  message(FATAL_ERROR "program not installed at ${program}")
endif()

set(entry "${PREFIX}/${DATADIR}/applications/batch-renamer.desktop")
if(NOT EXISTS "${entry}")
  message(FATAL_ERROR "menu entry not installed at ${entry}")
endif()
file(STRINGS "${entry}" lines ENCODING UTF-8)
foreach(wanted "Type=Application" "Exec=batch-renamer %F" "Icon=batch-renamer"
               "Categories=Utility;FileTools;" "MimeType=inode/directory;")
  if(NOT wanted IN_LIST lines)
    message(FATAL_ERROR "menu entry lacks the line ${wanted}")
  endif()
endforeach()
foreach(key "Name=" "Name\\[zh_CN\\]=")
  if(NOT lines MATCHES "(^|;)${key}[^;]")
    message(FATAL_ERROR "menu entry lacks ${key}")
  endif()
endforeach()

foreach(size 16 32)
  set(icon "${PREFIX}/${DATADIR}/icons/hicolor/${size}x${size}/apps/batch-renamer.png")
  if(NOT EXISTS "${icon}")
    message(FATAL_ERROR "icon not installed at ${icon}")
  endif()
  # Width and height are the two big-endian words after the PNG signature and IHDR tag.
  file(READ "${icon}" header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 32 16 dimensions)
  math(EXPR side "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${side}" 2 -1 side)
  string(LENGTH "${side}" digits)
  math(EXPR padding "8 - ${digits}")
  string(REPEAT "0" ${padding} zeros)
  set(expected "${zeros}${side}${zeros}${side}")
  if(NOT dimensions STREQUAL expected)
    message(FATAL_ERROR "icon ${icon} is not ${size}x${size} (header ${dimensions})")
  endif()
endforeach()
# The manual page, and bash's completion of the rules' names from it.
if(NOT EXISTS "${PREFIX}/${MANDIR}/man1/batch-renamer.1")
  message(FATAL_ERROR "manual page not installed")
endif()
set(completion "${PREFIX}/${DATADIR}/bash-completion/completions/batch-renamer")
execute_process(COMMAND bash -c "source '${completion}' && COMP_WORDS=(batch-renamer --rule num) \
  && COMP_CWORD=2 && _batch_renamer && echo \"\${COMPREPLY[*]}\""
                OUTPUT_VARIABLE completed OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT completed STREQUAL "number-by-time number-in-order")
  message(FATAL_ERROR "bash completes --rule num to '${completed}'")
endif()
message(STATUS "installed layout is complete")
