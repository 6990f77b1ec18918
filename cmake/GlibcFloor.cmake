# The oldest Linux our shipped files load on: glibc 2.17 and GCC 5's
# libstdc++ (GLIBCXX_3.4.21, CXXABI_1.3.9). A build on a newer distribution
# binds every C library call to the newest version of its symbol (dlopen to
# GLIBC_2.34, stat to GLIBC_2.33), which an older loader refuses with
# "version `GLIBC_2.34' not found". Static runtimes are no way out: the
# static libstdc++ of a new GCC refers to arc4random (2.36), stat (2.33) and
# __libc_single_threaded (2.32) itself.
#
# vorlan_glibc_floor(TARGET) links TARGET so that it refers only to the old
# versions: the linker redirects (--wrap) each call that would bind too new to
# a small function in cmake/glibc-floor/ that calls the old version of the same
# function, or its older equivalent (stat through __xstat). libdl.so.2 is
# linked by name because glibc before 2.34 keeps the dl* functions there.
# Programs also get the old start entry (cmake/glibc-floor/Program.cpp).
# scripts/check-floor keeps every shipped file below the floor; a call that
# passes it is named there, and gets its line in Library.cpp and in the list
# below.
#
# The sanitizer builds go without (their presets set VORLAN_GLIBC_FLOOR off):
# their run-time libraries need this machine's C library anyway, and with
# AddressSanitizer and UBSan ld leaves empty PLT relocations for functions that
# a static library defines, which the loader refuses.
option(VORLAN_GLIBC_FLOOR "Link the Linux libraries and programs for glibc 2.17" ON)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND VORLAN_GLIBC_FLOOR)
  set(VORLAN_GLIBC_FLOOR_WRAPPED dlopen dlsym dlerror dlclose dladdr stat fstat lstat
      __libc_single_threaded _ZSt28__throw_bad_array_new_lengthv)
  list(TRANSFORM VORLAN_GLIBC_FLOOR_WRAPPED PREPEND "-Wl,--wrap=" OUTPUT_VARIABLE _vorlan_floor_wraps)
  add_library(vorlan_glibc_floor STATIC ${CMAKE_CURRENT_LIST_DIR}/glibc-floor/Library.cpp)
  target_compile_options(vorlan_glibc_floor PRIVATE ${VORLAN_WARNINGS})
  target_link_options(vorlan_glibc_floor INTERFACE ${_vorlan_floor_wraps})
  target_link_libraries(vorlan_glibc_floor INTERFACE
    "-Wl,--push-state,--no-as-needed" "-l:libdl.so.2" "-Wl,--pop-state")
  add_library(vorlan_glibc_floor_program STATIC ${CMAKE_CURRENT_LIST_DIR}/glibc-floor/Program.cpp)
  target_compile_options(vorlan_glibc_floor_program PRIVATE ${VORLAN_WARNINGS})
  target_link_options(vorlan_glibc_floor_program INTERFACE "-Wl,--wrap=__libc_start_main")
  target_link_libraries(vorlan_glibc_floor_program INTERFACE vorlan_glibc_floor)
endif()

function(vorlan_glibc_floor target)
  if(TARGET vorlan_glibc_floor)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_link_libraries(${target} PRIVATE vorlan_glibc_floor_program)
    else()
      target_link_libraries(${target} PRIVATE vorlan_glibc_floor)
    endif()
  endif()
endfunction()
