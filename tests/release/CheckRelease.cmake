# Unpacks the release archive and compares it with what the build made: the six files, the
# program files stripped and otherwise as built, the texts as in dist/, and SHA256SUMS. Run with
# cmake -P and ARCHIVE, SUMS, STAGE, PROGRAM, CHECKER, SENDER, LIBRARY, SOURCE_DIR, VERSION,
# UNZIP, OBJDUMP, OBJCOPY and WORK (a scratch folder).
# New policies: the old ones would expand "@VERSION@" in quoted text as a variable.
cmake_minimum_required(VERSION 3.20)
set(failures "")
macro(fail text)
  string(APPEND failures "  ${text}\n")
endmacro()

if(NOT EXISTS "${ARCHIVE}")
  message(FATAL_ERROR "no release archive at ${ARCHIVE}")
endif()

execute_process(COMMAND "${UNZIP}" -Z1 "${ARCHIVE}" OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "unzip cannot list ${ARCHIVE}")
endif()
string(STRIP "${listing}" listing)
string(REPLACE "\n" ";" names "${listing}")
list(SORT names)
set(expected Keyloft.exe KeyloftCheck.exe KeyloftSend.exe Keyloft.ini UserGuide.txt
             kbhook.dll)
list(SORT expected)
if(NOT names STREQUAL expected)
  fail("archive holds [${names}], expected [${expected}]")
endif()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${UNZIP}" -q "${ARCHIVE}" -d "${WORK}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "unzip cannot unpack ${ARCHIVE}")
endif()

# The program files: without symbols or debug sections, and with the code, data and resources
# of the files as built (their headers differ: stripping writes a new time stamp).
function(dump_sections file prefix)
  foreach(section .text .data .rdata .rsrc)
    execute_process(COMMAND "${OBJCOPY}" -O binary --only-section=${section} "${file}"
                            "${WORK}/${prefix}${section}")
  endforeach()
endfunction()
foreach(built "${PROGRAM}" "${CHECKER}" "${SENDER}" "${LIBRARY}")
  get_filename_component(name "${built}" NAME)
  dump_sections("${built}" "built-${name}")
  foreach(copy "${WORK}/${name}" "${STAGE}/${name}")
    if(NOT EXISTS "${copy}")
      continue()
    endif()
    execute_process(COMMAND "${OBJDUMP}" -h -t "${copy}" OUTPUT_VARIABLE dump)
    if(NOT dump MATCHES "SYMBOL TABLE:\nno symbols" OR dump MATCHES "\\.debug")
      fail("${copy} is not stripped")
    endif()
    dump_sections("${copy}" "copy-${name}")
    foreach(section .text .data .rdata .rsrc)
      execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${WORK}/copy-${name}${section}"
                              "${WORK}/built-${name}${section}" RESULT_VARIABLE differs)
      if(NOT differs EQUAL 0)
        fail("${section} of ${copy} differs from ${built}")
      endif()
    endforeach()
  endforeach()
endforeach()

# The texts as written in dist/ (the guide with the version), with Windows line ends. (Compared
# as files: file(READ) does not keep carriage returns.)
foreach(name Keyloft.ini UserGuide.txt)
  if(NOT EXISTS "${WORK}/${name}")
    continue()
  endif()
  file(READ "${SOURCE_DIR}/${name}" source)
  string(REPLACE "@VERSION@" "${VERSION}" source "${source}")
  string(REPLACE "\r\n" "\n" source "${source}")
  string(REPLACE "\n" "\r\n" source "${source}")
  file(WRITE "${WORK}/expected-${name}" "${source}")
  file(SIZE "${WORK}/${name}" size)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${WORK}/${name}"
                          "${WORK}/expected-${name}" RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0 OR size EQUAL 0)
    fail("${name} in the archive is not dist/${name} with CR LF line ends")
  endif()
endforeach()
file(STRINGS "${WORK}/UserGuide.txt" guide_version REGEX "^Version ")
string(REGEX REPLACE "\r$" "" guide_version "${guide_version}")
if(NOT guide_version STREQUAL "Version ${VERSION}")
  fail("the guide gives [${guide_version}], not version ${VERSION}")
endif()

# SHA256SUMS beside the archive, in the form that sha256sum -c reads.
file(SHA256 "${ARCHIVE}" sum)
get_filename_component(archive_name "${ARCHIVE}" NAME)
file(READ "${SUMS}" sums)
if(NOT sums STREQUAL "${sum}  ${archive_name}\n")
  fail("SHA256SUMS holds [${sums}], not the sum of ${archive_name}")
endif()

if(failures)
  message(FATAL_ERROR "release archive ${ARCHIVE}:\n${failures}")
endif()
message(STATUS "release archive ${ARCHIVE}: 6 files, program files stripped, SHA256SUMS sound")
