# Puts the release together: strips the program files into the release folder, writes the
# sample configuration and the guide there with Windows line ends (the guide with the version),
# packs the six files into the release archive and writes the archive's SHA-256 sum beside it.
# Run with cmake -P and these variables:
#   SOURCE_DIR  this folder (dist/)         STAGE    the release folder (emptied first)
#   PROGRAM     Keyloft.exe as built        CHECKER  KeyloftCheck.exe as built
#   SENDER      KeyloftSend.exe as built    LIBRARY  kbhook.dll as built
#   VERSION     the project's version
#   ARCHIVE     the zip file to write       SUMS     the SHA256SUMS file to write
#   ZIP         the zip program             STRIP    the flavour's strip program
# New policies: the old ones would expand "@VERSION@" in quoted text as a variable.
cmake_minimum_required(VERSION 3.20)
foreach(name SOURCE_DIR STAGE PROGRAM CHECKER SENDER LIBRARY VERSION ARCHIVE SUMS ZIP
             STRIP)
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "MakeRelease.cmake: ${name} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
# Symbols and debug sections are more than half of a program file and of no use to a user.
# -p keeps the file's date, which also keeps the stripped file the same from run to run.
foreach(built "${PROGRAM}" "${CHECKER}" "${SENDER}" "${LIBRARY}")
  get_filename_component(name "${built}" NAME)
  execute_process(COMMAND "${STRIP}" -p --strip-all -o "${STAGE}/${name}" "${built}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "strip failed on ${built} (${status})")
  endif()
endforeach()

# Notepad of older Windows shows a file with bare line feeds as one long line.
foreach(text Keyloft.ini UserGuide.txt)
  file(READ "${SOURCE_DIR}/${text}" content)
  string(REPLACE "@VERSION@" "${VERSION}" content "${content}")
  string(REPLACE "\r\n" "\n" content "${content}")
  string(REPLACE "\n" "\r\n" content "${content}")
  file(WRITE "${STAGE}/${text}" "${content}")
endforeach()

file(REMOVE "${ARCHIVE}" "${ARCHIVE}.part" "${SUMS}")
execute_process(
  COMMAND "${ZIP}" -X -j -q "${ARCHIVE}.part" Keyloft.exe KeyloftCheck.exe KeyloftSend.exe
          kbhook.dll Keyloft.ini UserGuide.txt
  WORKING_DIRECTORY "${STAGE}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${ARCHIVE}.part")
  message(FATAL_ERROR "zip failed (${status})")
endif()
file(RENAME "${ARCHIVE}.part" "${ARCHIVE}")

# The format of sha256sum, so that "sha256sum -c SHA256SUMS" checks the archive beside it.
file(SHA256 "${ARCHIVE}" sum)
get_filename_component(archive_name "${ARCHIVE}" NAME)
file(WRITE "${SUMS}" "${sum}  ${archive_name}\n")
