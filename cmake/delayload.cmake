# The program imports kernel32 and the C runtime only; every other system DLL it links is loaded when
# first called, by which time main has restricted the DLL search to the system folder
# (src/win32/dllsearch.cpp), so a DLL of the same name planted beside the program is never loaded.
#   ocellus_system_libs        link it instead of the import libraries
#   ocellus_delay_load(<exe>)  has that program delay-load them, and (mingw-w64) fails its build when it
#                              imports anything else directly
# Other programs linking ocellus_system_libs import the DLLs as usual: the Win32 tests patch imports.
set(ocellus_delay_loaded ${win_libs})  # cmake/windows.cmake
set(ocellus_direct_imports kernel32.dll msvcrt.dll)
set(delaying $<BOOL:$<TARGET_PROPERTY:OCELLUS_DELAY_LOAD>>)  # on the program being linked

add_library(ocellus_system_libs INTERFACE)
if(MSVC)
  target_link_libraries(ocellus_system_libs INTERFACE ${ocellus_delay_loaded} $<${delaying}:delayimp>)
  foreach(lib IN LISTS ocellus_delay_loaded)
    target_link_options(ocellus_system_libs INTERFACE $<${delaying}:/DELAYLOAD:${lib}.dll>)
  endforeach()
  function(ocellus_delay_load target)
    set_target_properties(${target} PROPERTIES OCELLUS_DELAY_LOAD ON)
  endfunction()
  return()
endif()

# mingw-w64: the stubs call its own __delayLoadHelper2 (libmingwex), which uses kernel32 only and loads
# by bare name with LoadLibraryA, so it obeys the restricted search. It writes each address it resolves
# into the program without changing page protection, so the addresses must lie in writable data.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(triple x86_64-w64-mingw32)
  set(machine i386:x86-64)
else()
  set(triple i686-w64-mingw32)
  set(machine i386)
endif()
find_program(OCELLUS_OBJDUMP NAMES ${triple}-objdump objdump REQUIRED)
find_program(OCELLUS_NM NAMES ${triple}-nm nm REQUIRED)

# Terminal-server aware: the system then neither maps its own folder for the program nor fakes its
# INI files in a remote session (lld sets the flag by itself).
function(ocellus_delay_load target)
  set_target_properties(${target} PROPERTIES OCELLUS_DELAY_LOAD ON)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${OCELLUS_OBJDUMP} "-DALLOWED=${ocellus_direct_imports}"
            -DPROGRAM=$<TARGET_FILE:${target}> -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/check_imports.cmake
    VERBATIM)
  if(style STREQUAL "gnu")
    target_sources(${target} PRIVATE ${delay_end})
    target_link_options(${target} PRIVATE -Wl,--tsaware)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${OCELLUS_PYTHON} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/delay_directory.py $<TARGET_FILE:${target}>
      VERBATIM)
  endif()
endfunction()

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  # lld, the clang toolchains' linker, delay-loads by itself and keeps those addresses in .data (dlltool's
  # delay-import libraries would have them in read-only .rdata there), but only for what short import
  # libraries name: llvm-dlltool makes those.
  find_program(OCELLUS_LLVM_DLLTOOL NAMES llvm-dlltool REQUIRED)
  set(dlltool ${OCELLUS_LLVM_DLLTOOL})
  set(style lld)
else()
  # GNU ld: dlltool makes delay-import libraries; ld keeps their addresses in the writable .idata. For
  # i686, ld drops the stub code of an import-library member that only __declspec(dllimport) calls refer
  # to (they jump through the address), and with it the delay-load stub the address starts out at: the
  # address would be 0. Calls through the stub keep it; both widths call so, one way to load.
  find_program(OCELLUS_DLLTOOL NAMES ${triple}-dlltool dlltool REQUIRED)
  set(dlltool ${OCELLUS_DLLTOOL})
  set(style gnu)
  target_compile_definitions(ocellus_system_libs INTERFACE DECLSPEC_IMPORT=)
  # ld leaves the header's delay-import directory empty: the descriptors get a null entry after them
  # and the directory is pointed at them after the link.
  find_program(OCELLUS_PYTHON NAMES python3 REQUIRED)
  set(delay_end ${CMAKE_BINARY_DIR}/delayload/delay_directory_end.obj)
  add_custom_command(OUTPUT ${delay_end}
    COMMAND ${CMAKE_CXX_COMPILER} -c -x assembler ${CMAKE_CURRENT_LIST_DIR}/delay_directory_end.s -o ${delay_end}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/delay_directory_end.s VERBATIM)
  set_source_files_properties(${delay_end} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
endif()

set(delay_dir ${CMAKE_BINARY_DIR}/delayload)
set(delay_libs)
foreach(lib IN LISTS ocellus_delay_loaded)
  find_library(OCELLUS_IMPORT_LIB_${lib} NAMES lib${lib}.a REQUIRED)
  set(out ${delay_dir}/lib${lib}-delay.a)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DNM=${OCELLUS_NM} -DDLLTOOL=${dlltool} -DSTYLE=${style}
            -DMACHINE=${machine} -DIMPORT_LIB=${OCELLUS_IMPORT_LIB_${lib}} -DDLL=${lib}.dll -DOUT=${out}
            -P ${CMAKE_CURRENT_LIST_DIR}/delayload_lib.cmake
    DEPENDS ${OCELLUS_IMPORT_LIB_${lib}} ${CMAKE_CURRENT_LIST_DIR}/delayload_lib.cmake
    COMMENT "Delay-import library for ${lib}.dll" VERBATIM)
  list(APPEND delay_libs ${out})
  target_link_libraries(ocellus_system_libs INTERFACE $<IF:${delaying},${out},${lib}>)
  if(style STREQUAL "lld")
    target_link_options(ocellus_system_libs INTERFACE $<${delaying}:-Wl,--delayload=${lib}.dll>)
  endif()
endforeach()
add_custom_target(ocellus_delay_libs DEPENDS ${delay_libs})
add_dependencies(ocellus_system_libs ocellus_delay_libs)
