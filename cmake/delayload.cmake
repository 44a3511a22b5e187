# The system DLLs the program links, each loaded only when first called: by then main has restricted the
# DLL search to the system folder (src/win32/dllsearch.cpp), so a DLL of the same name planted beside the
# program is never loaded. Only kernel32 and the C runtime are imported directly.
#   ocellus_system_libs   link it instead of the import libraries
#   ocellus_check_imports(<target>)   (mingw-w64) fails the build when the target imports anything else directly
set(ocellus_delay_loaded ${win_libs})  # cmake/windows.cmake
set(ocellus_direct_imports kernel32.dll msvcrt.dll)

add_library(ocellus_system_libs INTERFACE)
if(MSVC)
  target_link_libraries(ocellus_system_libs INTERFACE ${ocellus_delay_loaded} delayimp)
  foreach(lib IN LISTS ocellus_delay_loaded)
    target_link_options(ocellus_system_libs INTERFACE /DELAYLOAD:${lib}.dll)
  endforeach()
  return()
endif()

# mingw-w64 (GCC and clang alike): dlltool makes a delay-import library of every function the import
# library names; its thunks call mingw-w64's own __delayLoadHelper2 (libmingwex), which uses kernel32 only
# and loads by bare name with LoadLibraryA, so it obeys the restricted search.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(triple x86_64-w64-mingw32)
  set(underscored OFF)
else()
  set(triple i686-w64-mingw32)
  set(underscored ON)
endif()
find_program(OCELLUS_NM NAMES ${triple}-nm nm REQUIRED)
find_program(OCELLUS_DLLTOOL NAMES ${triple}-dlltool dlltool REQUIRED)
find_program(OCELLUS_OBJDUMP NAMES ${triple}-objdump objdump REQUIRED)

set(delay_dir ${CMAKE_BINARY_DIR}/delayload)
set(delay_libs)
foreach(lib IN LISTS ocellus_delay_loaded)
  find_library(OCELLUS_IMPORT_LIB_${lib} NAMES lib${lib}.a REQUIRED)
  set(out ${delay_dir}/lib${lib}-delay.a)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DNM=${OCELLUS_NM} -DDLLTOOL=${OCELLUS_DLLTOOL} -DIMPORT_LIB=${OCELLUS_IMPORT_LIB_${lib}}
            -DDLL=${lib}.dll -DOUT=${out} -DUNDERSCORED=${underscored} -P ${CMAKE_CURRENT_LIST_DIR}/delayload_lib.cmake
    DEPENDS ${OCELLUS_IMPORT_LIB_${lib}} ${CMAKE_CURRENT_LIST_DIR}/delayload_lib.cmake
    COMMENT "Delay-import library for ${lib}.dll" VERBATIM)
  list(APPEND delay_libs ${out})
endforeach()
add_custom_target(ocellus_delay_libs DEPENDS ${delay_libs})
add_dependencies(ocellus_system_libs ocellus_delay_libs)
target_link_libraries(ocellus_system_libs INTERFACE ${delay_libs})

function(ocellus_check_imports target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${OCELLUS_OBJDUMP} "-DALLOWED=${ocellus_direct_imports}"
            -DPROGRAM=$<TARGET_FILE:${target}> -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/check_imports.cmake
    VERBATIM)
endfunction()
