# Plays real_time.qxs with qxsim.exe in real time in a fresh folder and
# checks what the session leaves: exit code 0, a transcript with the module
# loaded, the view moved, the top view queued, line-up messages to the list
# under the pointer and the module unloaded after it signed off, and the settings file and the log (both CR LF text) with
# the reading thread ended and the plug-in object destroyed.
#   cmake -DQXSIM=<qxsim.exe> -DSCENARIO=<real_time.qxs> -DWORK=<dir> [-DWINE=<wine>] -P this

cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${SCENARIO}" DESTINATION "${WORK}")
get_filename_component(scenario_name "${SCENARIO}" NAME)

execute_process(COMMAND ${WINE} "${QXSIM}" --real-time --transcript session.jsonl ${scenario_name}
  WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
  TIMEOUT 120)
message(STATUS "qxsim: ${out}${err}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "qxsim.exe ended with ${status}")
endif()

set(failures "")
file(READ "${WORK}/session.jsonl" transcript)
foreach(pattern
    "\"ev\":\"load\""
    "\"ev\":\"view\""
    "\"ev\":\"view_saved\""
    "\"ev\":\"send\",\"text\":\"'_-VIEW _TOP \""
    "\"ev\":\"message\",\"window\":1,\"msg\":277,\"wparam\":0,\"lparam\":0"
    "\"op\":\"qxDisConnect\",\"status\":0"
    "\"ev\":\"unload\"")
  string(FIND "${transcript}" "${pattern}" at)
  if(at EQUAL -1)
    list(APPEND failures "the transcript lacks ${pattern}")
  endif()
endforeach()
string(FIND "${transcript}" "\"ev\":\"unload\"" unload_at)
string(FIND "${transcript}" "qxDisConnect" disconnect_at)
if(unload_at LESS disconnect_at)
  list(APPEND failures "the module was unloaded before it signed off")
endif()

set(device "${WORK}/qxsim-profile/QuorvexDevice")
foreach(file "${device}/Applications/autocad_addin.ini" "${device}/autocad_addin_log.txt")
  if(NOT EXISTS "${file}")
    list(APPEND failures "${file} was not written")
    continue()
  endif()
  file(READ "${file}" bytes HEX)
  # One byte per hex pair, each followed by a blank, so matches stay aligned.
  string(REGEX REPLACE "(..)" "\\1 " spaced "${bytes}")
  string(REGEX MATCHALL "0d 0a " crlf "${spaced}")
  string(REGEX MATCHALL "0a " lf "${spaced}")
  list(LENGTH crlf crlf_count)
  list(LENGTH lf lf_count)
  if(crlf_count EQUAL 0 OR NOT crlf_count EQUAL lf_count)
    list(APPEND failures "${file}: ${lf_count} line ends, ${crlf_count} of them CR LF")
  endif()
endforeach()

file(READ "${device}/autocad_addin_log.txt" log)
foreach(text "Reading thread ended." "QxAutoCad::~QxAutoCad| Destructed." "Cap moving.")
  string(FIND "${log}" "${text}" at)
  if(at EQUAL -1)
    list(APPEND failures "the log lacks '${text}'")
  endif()
endforeach()

if(failures)
  string(REPLACE ";" "\n  " text "${failures}")
  message(FATAL_ERROR "${text}")
endif()
string(REGEX MATCHALL "\"ev\":\"view\"" views "${transcript}")
list(LENGTH views view_count)
message(STATUS "qxsim.exe real-time session: ${view_count} view updates, settings and log written")
