# Puts the release together: copies the program and the hook library into the release folder,
# writes the sample configuration and the guide there with Windows line ends, and packs the
# four files into the release archive. Run with cmake -P and these variables:
#   SOURCE_DIR  this folder (dist/)      STAGE  the release folder (emptied first)
#   PROGRAM     Keyloft.exe as built     LIBRARY  kbhook.dll as built
#   ARCHIVE     the zip file to write    ZIP  the zip program
foreach(name SOURCE_DIR STAGE PROGRAM LIBRARY ARCHIVE ZIP)
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "MakeRelease.cmake: ${name} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
file(COPY "${PROGRAM}" "${LIBRARY}" DESTINATION "${STAGE}")

# Notepad of older Windows shows a file with bare line feeds as one long line.
foreach(text Keyloft.ini UserGuide.txt)
  file(READ "${SOURCE_DIR}/${text}" content)
  string(REPLACE "\r\n" "\n" content "${content}")
  string(REPLACE "\n" "\r\n" content "${content}")
  file(WRITE "${STAGE}/${text}" "${content}")
endforeach()

file(REMOVE "${ARCHIVE}" "${ARCHIVE}.part")
execute_process(
  COMMAND "${ZIP}" -X -j -q "${ARCHIVE}.part" Keyloft.exe kbhook.dll Keyloft.ini UserGuide.txt
  WORKING_DIRECTORY "${STAGE}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${ARCHIVE}.part")
  message(FATAL_ERROR "zip failed (${status})")
endif()
file(RENAME "${ARCHIVE}.part" "${ARCHIVE}")
