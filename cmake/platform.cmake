# SPDX-License-Identifier: GPL-3.0-or-later
# Every difference between the platforms Brelon is built for, chosen here and
# nowhere else. Each is one interface, a header, with a file for each
# platform named for what it does there:
#
#   interface                what differs         Linux, Windows          the browser
#   surface/core/decimal.h   reading a decimal    decimal_fromchars.cpp   decimal_strtod.cpp
#                            (the C++ library of the browser has no from_chars for floating point)
#   diffraction/beside.h     the chains' helper   beside_thread.cpp       beside_none.cpp
#                            (a page has no threads)
#   diffraction/sincos.h     a phase's sine and   sincos_libc.cpp         sincos_reduced.cpp
#                            cosine               (the browser's C library reduces the scene's phases slowly)
#   surface/drawing/pause.h  a run's pause        pause_sleep.cpp         pause_pageturn.cpp
#                            (the page paints, and takes input, only in its own turn)
#   app/environment.h        opening, showing     environment_desktop.cpp environment_browser.cpp
#                            and ending the       with environment_linux.cpp
#                            application          or environment_windows.cpp
#                                                 (environment_desktop.h)
#   bench/scenebench.h       the benchmarks'      main_desktop.cpp,       main_browser.cpp
#                            main()               bench_threads.cpp
#
# What each platform adds to the program: packaging/ (Linux: the desktop
# entry, icon and AppStream data, installed), packaging/windows/ (the icon
# and version information in brelon.exe, the zip, the installer),
# packaging/web/ (the page, its fonts and memory, the offline copy). Which
# tests run where: tests/CMakeLists.txt.
if(EMSCRIPTEN)
  set(BRELON_PLATFORM browser)
elseif(WIN32)
  set(BRELON_PLATFORM windows)
else()
  set(BRELON_PLATFORM linux)
endif()

set(bench_main bench/main_desktop.cpp bench/bench_threads.h bench/bench_threads.cpp)
if(BRELON_PLATFORM STREQUAL "browser")
  set(bench_main bench/main_browser.cpp)
  target_sources(brelon-model PRIVATE surface/core/decimal_strtod.cpp diffraction/beside_none.cpp
    diffraction/sincos_reduced.cpp)
  target_sources(brelon-drawing PRIVATE surface/drawing/pause_pageturn.cpp)
  target_sources(brelon-window PRIVATE app/environment_browser.cpp)
  add_subdirectory(packaging/web)
else()
  target_sources(brelon-model PRIVATE surface/core/decimal_fromchars.cpp diffraction/beside_thread.cpp
    diffraction/sincos_libc.cpp)
  target_sources(brelon-drawing PRIVATE surface/drawing/pause_sleep.cpp)
  target_sources(brelon-window PRIVATE
    app/environment_desktop.h app/environment_desktop.cpp app/environment_${BRELON_PLATFORM}.cpp)
  if(BRELON_PLATFORM STREQUAL "windows")
    add_subdirectory(packaging/windows)
    install(TARGETS brelon RUNTIME DESTINATION .)
  else()
    add_subdirectory(packaging)
    install(TARGETS brelon RUNTIME DESTINATION bin)
  endif()
endif()
qt_finalize_target(brelon)
if(TARGET brelon-bench)
  target_sources(brelon-bench PRIVATE ${bench_main})
  qt_finalize_target(brelon-bench)
endif()
