# The Windows x64 build (mingw-w64, toolchain file mingw-w64-x86_64.cmake):
# the module as qxautocad.arx against the real <windows.h>, user32 and the
# C run-time, with the package a user installs from (target package); the controller-library stand-in as qxv_ctrlr_64.dll with its
# seven operations exported by ordinal only; the host stand-in and the clock
# and transcript it needs as DLLs; and the test programs, run under Wine.
#
# Included by the top-level CMakeLists.txt instead of the POSIX folders. The
# plug-in's sources are the same as on POSIX; only the platform differs.

set(QX_ROOT ${PROJECT_SOURCE_DIR})

# Real <windows.h>: no min/max macros over std::min, std::max.
add_compile_definitions(NOMINMAX _WIN32_WINNT=0x0601)
# Every program and DLL in bin/ so that the loader finds them side by side.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_IMPORT_LIBRARY_PREFIX "lib")

# ---- Control headers without the POSIX <windows.h> stand-in ---------------
# win32_control.h sits beside the stand-in windows.h; on Windows the real one
# must win, so the control header is copied into a folder of its own.
set(QX_WIN_CONTROL_INCLUDE ${CMAKE_BINARY_DIR}/win32_control_include)
foreach(header win32_control.h win32_desktop_control.h)
  configure_file(${QX_ROOT}/platform/win32/include/${header}
    ${QX_WIN_CONTROL_INCLUDE}/${header} COPYONLY)
endforeach()

# ---- Transcript -------------------------------------------------------------
add_library(qxtranscript SHARED
  ${QX_ROOT}/platform/transcript/src/transcript.cpp
  ${QX_ROOT}/platform/transcript/src/json_text.cpp)
target_include_directories(qxtranscript
  PUBLIC ${QX_ROOT}/platform/transcript/include
  PRIVATE ${QX_ROOT}/platform/transcript/src)
target_link_libraries(qxtranscript PUBLIC Threads::Threads)

# ---- Clock and thread registry (win32sim.dll) -------------------------------
# The portable part of the window-system stand-in. Timers and the message
# queue are the real ones; the host's message loop pumps them.
add_library(win32sim SHARED
  ${QX_ROOT}/platform/win32/src/clock.cpp
  ${QX_ROOT}/platform/win32/src/clock_schedule.cpp
  ${QX_ROOT}/platform/win32/src/parking.cpp
  ${QX_ROOT}/platform/win32/src/baton.cpp
  ${QX_ROOT}/platform/win32/src/threads.cpp
  ${QX_ROOT}/platform/win32/win/message_loop.cpp
  ${QX_ROOT}/platform/win32/win/desktop_win.cpp)
target_include_directories(win32sim
  PUBLIC ${QX_WIN_CONTROL_INCLUDE}
  PRIVATE ${QX_ROOT}/platform/win32/src)
target_link_libraries(win32sim PUBLIC qxtranscript Threads::Threads PRIVATE user32)
# The registry's wrapper calls the real pthread_create; other binaries are
# not wrapped (real time needs no registry, and the module must not import
# pthread_create from a stand-in).
target_link_options(win32sim PRIVATE -Wl,--wrap=pthread_create)

# ---- Controller library (qxv_ctrlr_64.dll) and its simulated daemon ---------
# The daemon and the control API live in qxv_daemon.dll; qxv_ctrlr_64.dll
# holds only the seven operations, exported by ordinal without names.
file(GLOB QX_WIN_DAEMON_SOURCES CONFIGURE_DEPENDS ${QX_ROOT}/platform/qxv_ctrlr/src/*.cpp)
list(REMOVE_ITEM QX_WIN_DAEMON_SOURCES ${QX_ROOT}/platform/qxv_ctrlr/src/library.cpp)
add_library(qxv_daemon SHARED ${QX_WIN_DAEMON_SOURCES})
target_include_directories(qxv_daemon
  PUBLIC ${QX_ROOT}/platform/qxv_ctrlr/include
  PRIVATE ${QX_ROOT}/platform/qxv_ctrlr/src)
target_compile_definitions(qxv_daemon PRIVATE QXV_CTRLR_BUILDING)
target_link_libraries(qxv_daemon PUBLIC win32sim qxtranscript Threads::Threads)

set(QX_CTRLR_DEF ${QX_ROOT}/platform/qxv_ctrlr/qxv_ctrlr_64.def)
add_library(qxv_ctrlr_64 SHARED ${QX_ROOT}/platform/qxv_ctrlr/src/library.cpp ${QX_CTRLR_DEF})
target_include_directories(qxv_ctrlr_64 PRIVATE ${QX_ROOT}/platform/qxv_ctrlr/src)
target_compile_definitions(qxv_ctrlr_64 PRIVATE QXV_CTRLR_BUILDING)
target_link_libraries(qxv_ctrlr_64 PRIVATE qxv_daemon win32sim qxtranscript)
# The linker's own import library would import by name; the module links the
# one made from the .def below instead.
set_target_properties(qxv_ctrlr_64 PROPERTIES ARCHIVE_OUTPUT_NAME qxv_ctrlr_64_by_name)

set(QX_CTRLR_IMPLIB ${CMAKE_BINARY_DIR}/lib/libqxv_ctrlr_64_ordinals.a)
add_custom_command(OUTPUT ${QX_CTRLR_IMPLIB}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
  COMMAND ${CMAKE_DLLTOOL} -d ${QX_CTRLR_DEF} -l ${QX_CTRLR_IMPLIB}
  DEPENDS ${QX_CTRLR_DEF}
  COMMENT "Import library of qxv_ctrlr_64.dll by ordinal"
  VERBATIM)
add_custom_target(qxv_ctrlr_64_implib DEPENDS ${QX_CTRLR_IMPLIB})
add_library(qxv_ctrlr INTERFACE)
add_dependencies(qxv_ctrlr qxv_ctrlr_64_implib qxv_ctrlr_64)
target_include_directories(qxv_ctrlr INTERFACE ${QX_ROOT}/platform/qxv_ctrlr/include)
target_link_libraries(qxv_ctrlr INTERFACE ${QX_CTRLR_IMPLIB})

# ---- Host stand-in (arxsim.dll) ---------------------------------------------
file(GLOB QX_WIN_ARX_SOURCES CONFIGURE_DEPENDS ${QX_ROOT}/platform/arx/src/*.cpp)
add_library(arxsim SHARED ${QX_WIN_ARX_SOURCES})
target_include_directories(arxsim
  PUBLIC ${QX_ROOT}/platform/arx/include ${QX_ROOT}/platform/arx/control
  PRIVATE ${QX_ROOT}/platform/arx/src)
target_link_libraries(arxsim PUBLIC win32sim qxtranscript Threads::Threads PRIVATE user32)
# What a module builds against: the host's headers only, the host's import
# library and the link library's acrxGetApiVersion (see platform/arx).
add_library(arxsim_rxapi STATIC ${QX_ROOT}/platform/arx/rxapi/rxapi.cpp)
add_library(arxsdk INTERFACE)
target_include_directories(arxsdk INTERFACE ${QX_ROOT}/platform/arx/include)
target_link_libraries(arxsdk INTERFACE $<TARGET_LINKER_FILE:arxsim> arxsim_rxapi)
target_link_options(arxsdk INTERFACE "LINKER:-u,acrxGetApiVersion")
add_dependencies(arxsdk arxsim)

# ---- The plug-in ------------------------------------------------------------
add_library(qxlog STATIC
  ${QX_ROOT}/plugin/log/file_replace.cpp
  ${QX_ROOT}/plugin/log/logging.cpp
  ${QX_ROOT}/plugin/log/log_time.cpp
  ${QX_ROOT}/plugin/log/mutex.cpp)
# The POSIX threads library linked statically as pthreads-win32 is: its
# attach and detach calls (which mingw-w64's own library does not need),
# made by the log's static object and the module's DllMain.
add_library(ptw32_static STATIC ${QX_ROOT}/platform/win32/mingw/ptw32_static.c)
target_include_directories(qxlog PUBLIC ${QX_ROOT}/plugin/log)
target_link_libraries(qxlog PUBLIC Threads::Threads ptw32_static)
qx_module_dialect(qxlog)

file(GLOB QX_WIN_CORE_SOURCES CONFIGURE_DEPENDS ${QX_ROOT}/plugin/core/*.cpp)
add_library(qxcore STATIC ${QX_WIN_CORE_SOURCES})
target_include_directories(qxcore PUBLIC ${QX_ROOT}/plugin/core)
target_link_libraries(qxcore PUBLIC qxlog arxsdk qxv_ctrlr user32 Threads::Threads)
qx_module_dialect(qxcore)

file(GLOB QX_WIN_APP_SOURCES CONFIGURE_DEPENDS ${QX_ROOT}/plugin/app/*.cpp)
add_library(qxapp_objs OBJECT ${QX_WIN_APP_SOURCES})
target_include_directories(qxapp_objs PUBLIC ${QX_ROOT}/plugin/app)
target_link_libraries(qxapp_objs PUBLIC qxcore qxlog)
qx_module_dialect(qxapp_objs)

# The host loads modules named *.arx. The two entry points are exported as
# the SDK exports them, without a .def file: acrxEntryPoint by the
# IMPLEMENT_ARX_ENTRYPOINT macro, acrxGetApiVersion by the link library. The GCC
# run-time, the C++ standard library and the POSIX threads are linked in
# statically, so that the module needs no DLL of the toolchain; the C
# run-time itself is the system's msvcrt.dll, which mingw-w64 cannot link
# statically.
add_library(qxautocad SHARED $<TARGET_OBJECTS:qxapp_objs>)
# The C++ library comes before the host stand-in's import library: arxsim.dll
# (C++20, which instantiates std::basic_string's members inline) exports its
# copies of them, and the module (C++98, which takes them from the library's
# own instantiations) must take them from its static C++ library, as it would
# with the real host, not import them from the host.
target_link_libraries(qxautocad PRIVATE qxcore qxlog stdc++ arxsdk qxv_ctrlr user32 ptw32_static)
target_link_options(qxautocad PRIVATE -static)
set_target_properties(qxautocad PROPERTIES SUFFIX ".arx")

# ---- The package a user installs from (cmake --build --preset windows
# --target package): the module, built against the host stand-in, with what
# loads it: qxsim.exe and the stand-ins' DLLs (the host's, the window
# system's, the controller library's and the device's); the default settings
# file, a sample menu file, the tour as a scenario to start from and
# INSTALL.txt, which says where each goes.
# (qxsim.exe's own rule follows its target below.)
install(TARGETS qxautocad arxsim win32sim qxtranscript qxv_daemon qxv_ctrlr_64
  RUNTIME DESTINATION . LIBRARY DESTINATION .)
# INSTALL.txt with the line ends of Windows, for Notepad.
configure_file(${QX_ROOT}/docs/INSTALL.txt ${CMAKE_BINARY_DIR}/package_files/INSTALL.txt
  @ONLY NEWLINE_STYLE CRLF)
install(FILES
  ${QX_ROOT}/examples/autocad_addin.ini
  ${QX_ROOT}/examples/autocad.mnu
  ${QX_ROOT}/examples/tour.qxs
  ${CMAKE_BINARY_DIR}/package_files/INSTALL.txt
  DESTINATION .)
set(CPACK_GENERATOR ZIP)
# Without debug information: the user gets the module only.
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGE_NAME qxautocad)
set(CPACK_PACKAGE_VERSION 2.9.0)
set(CPACK_PACKAGE_FILE_NAME qxautocad-2.9.0-win64)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)

# ---- qxsim.exe ---------------------------------------------------------------
# The simulated session in real time: the POSIX loader, folder lock, files,
# stop signals, live input and browser session (--live, whose HTTP library is
# POSIX only) give way to their Windows versions in sim/win; everything else
# is qxsim's own code. Its desktop steps make real windows (platform/win32/win).
file(GLOB QX_WIN_SIM_SOURCES CONFIGURE_DEPENDS ${QX_ROOT}/sim/*.cpp ${QX_ROOT}/sim/win/*.cpp)
list(REMOVE_ITEM QX_WIN_SIM_SOURCES ${QX_ROOT}/sim/module_loader.cpp ${QX_ROOT}/sim/folder_lock.cpp
  ${QX_ROOT}/sim/own_files.cpp ${QX_ROOT}/sim/stop_signal.cpp)
list(FILTER QX_WIN_SIM_SOURCES EXCLUDE REGEX "/sim/live_[a-z_]+\\.cpp$")
# The module's safe replace of a user's file, for the `setting` step and the
# profile's first files, and its reader of configuration files, for a menu
# file's macros.
list(APPEND QX_WIN_SIM_SOURCES ${QX_ROOT}/plugin/log/file_replace.cpp
  ${QX_ROOT}/plugin/core/cnfg.cpp)
foreach(embed "examples/tour.qxs;kBundledTour;bundled_tour.cpp"
              "examples/autocad.mnu;kBundledSampleMenu;bundled_menu.cpp"
              "examples/autocad_addin.ini;kBundledDefaultSettings;bundled_settings.cpp")
  list(GET embed 0 input)
  list(GET embed 1 symbol)
  list(GET embed 2 output)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/sim/${output}
    COMMAND ${CMAKE_COMMAND} -DIN=${QX_ROOT}/${input} -DOUT=${CMAKE_BINARY_DIR}/sim/${output}
            -DSYMBOL=${symbol} -P ${QX_ROOT}/sim/embed_text.cmake
    DEPENDS ${QX_ROOT}/${input} ${QX_ROOT}/sim/embed_text.cmake
    VERBATIM)
  list(APPEND QX_WIN_SIM_SOURCES ${CMAKE_BINARY_DIR}/sim/${output})
endforeach()
add_executable(qxsim ${QX_WIN_SIM_SOURCES})
# plugin/log: the module's check of the files it may read, which qxsim shares;
# plugin: the device codes, for the keys' names, and the module's commands.
target_include_directories(qxsim PRIVATE ${QX_ROOT}/sim ${QX_ROOT}/plugin/log ${QX_ROOT}/plugin)
target_compile_options(qxsim PRIVATE -include ${QX_ROOT}/sim/win/posix_env.h)
# M_PI and the other POSIX constants of <cmath>.
target_compile_definitions(qxsim PRIVATE _USE_MATH_DEFINES)
target_link_libraries(qxsim PRIVATE win32sim qxtranscript qxv_daemon arxsim user32)
add_dependencies(qxsim qxautocad qxv_ctrlr_64)
install(TARGETS qxsim RUNTIME DESTINATION .)

# ---- Tests under Wine -------------------------------------------------------
if(QX_BUILD_TESTS)
  enable_testing()
  if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
  # The host headers' facts hold for the Windows compiler too (Adesk::Int32
  # is long there).
  add_subdirectory(${QX_ROOT}/tests/platform/arx ${CMAKE_BINARY_DIR}/tests/platform/arx)
  add_subdirectory(${QX_ROOT}/tests/wine ${CMAKE_BINARY_DIR}/tests/wine)
endif()
