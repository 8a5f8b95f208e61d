# Checks the linkage of the Windows module with objdump -p: the module
# exports acrxEntryPoint and acrxGetApiVersion by name (and nothing else),
# and imports exactly the seven controller-library operations from
# qxv_ctrlr_64.dll by ordinal, with no names.
#   cmake -DOBJDUMP=<x86_64-w64-mingw32-objdump> -DMODULE=<qxautocad.arx> -P this
# Prints "SKIPPED:" (the test is then skipped) when there is no Windows build.

cmake_minimum_required(VERSION 3.25)

if(NOT EXISTS "${MODULE}" OR NOT OBJDUMP)
  message("SKIPPED: no Windows build at ${MODULE} (preset windows)")
  return()
endif()

execute_process(COMMAND ${OBJDUMP} -p ${MODULE}
  OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump -p ${MODULE} failed (${status})")
endif()
string(REPLACE "\r" "" dump "${dump}")
string(REPLACE ";" "," dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")

# ---- Exports: the [Ordinal/Name Pointer] table lists the exported names.
set(exports "")
set(section "")
set(imports_of_ctrlr "")
foreach(line IN LISTS lines)
  if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(section exports)
    continue()
  elseif(line MATCHES "^[ \t]*DLL Name: (.*)$")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
    if(dll STREQUAL "qxv_ctrlr_64.dll")
      set(section ctrlr)
    else()
      set(section other_dll)
    endif()
    continue()
  elseif(line STREQUAL "" OR line MATCHES "^[^ \t]")
    set(section "")
    continue()
  endif()
  if(section STREQUAL "exports" AND line MATCHES "^[ \t]+\\[ *[0-9]+\\] (.+)$")
    list(APPEND exports "${CMAKE_MATCH_1}")
  elseif(section STREQUAL "ctrlr" AND line MATCHES "^[ \t]+([0-9a-fA-F]+)[ \t]+([0-9a-fA-F]+)[ \t]+(.*)$")
    list(APPEND imports_of_ctrlr "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}|${CMAKE_MATCH_3}")
  endif()
endforeach()

set(failures "")
list(SORT exports)
if(NOT exports STREQUAL "acrxEntryPoint;acrxGetApiVersion")
  list(APPEND failures "exports by name are [${exports}], expected [acrxEntryPoint,acrxGetApiVersion]")
endif()

set(ordinals "")
foreach(entry IN LISTS imports_of_ctrlr)
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 thunk)
  list(GET fields 1 hint)
  list(GET fields 2 name)
  string(STRIP "${name}" name)
  # An import by ordinal has the top bit of its 64-bit thunk set and no name.
  string(LENGTH "${thunk}" thunk_len)
  if(NOT thunk_len EQUAL 16 OR NOT thunk MATCHES "^8")
    list(APPEND failures "qxv_ctrlr_64.dll import ${hint} (${name}) is not by ordinal")
  endif()
  if(NOT name STREQUAL "<none>")
    list(APPEND failures "qxv_ctrlr_64.dll import ${hint} carries the name ${name}")
  endif()
  math(EXPR ordinal "0x${hint}" OUTPUT_FORMAT DECIMAL)
  list(APPEND ordinals ${ordinal})
endforeach()
list(SORT ordinals COMPARE NATURAL)
if(NOT ordinals STREQUAL "104;106;108;110;116;117;180")
  list(APPEND failures "ordinals imported from qxv_ctrlr_64.dll are [${ordinals}], expected [104,106,108,110,116,117,180]")
endif()

if(failures)
  string(REPLACE ";" "\n  " text "${failures}")
  message(FATAL_ERROR "${MODULE}:\n  ${text}")
endif()
message(STATUS "${MODULE}: exports [${exports}], qxv_ctrlr_64.dll ordinals [${ordinals}], no names")
