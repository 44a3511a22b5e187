# cmake -DNM=… -DDLLTOOL=… -DSTYLE=gnu|lld -DMACHINE=i386|i386:x86-64 -DIMPORT_LIB=<lib….a> -DDLL=<name.dll>
#       -DOUT=<library> -P delayload_lib.cmake
# Writes a module-definition file of every function the import library imports (a member with both the
# call thunk and its __imp_ pointer; data has no thunk and cannot be delay-loaded) and makes from it a
# delay-import library with GNU dlltool (gnu), or a short import library for lld's --delayload with
# llvm-dlltool (lld). On i686 the stdcall names keep their @n and --kill-at imports them by the bare name,
# as the import library does.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${NM} ${IMPORT_LIB} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(thunks)
foreach(line IN LISTS lines)
  if(line MATCHES " T ([^ ]+)$")
    list(APPEND thunks ${CMAKE_MATCH_1})
  elseif(line MATCHES " I __imp_([^ ]+)$")
    set("pointer ${CMAKE_MATCH_1}" ON)
  endif()
endforeach()
set(def "LIBRARY ${DLL}\nEXPORTS\n")
set(count 0)
foreach(symbol IN LISTS thunks)
  if(NOT DEFINED "pointer ${symbol}")
    continue()
  endif()
  if(MACHINE STREQUAL "i386")
    string(SUBSTRING ${symbol} 1 -1 symbol)  # i686 C names carry a leading underscore
  endif()
  string(APPEND def "${symbol}\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "${IMPORT_LIB}: no functions found")
endif()
get_filename_component(dir ${OUT} DIRECTORY)
get_filename_component(name ${OUT} NAME_WE)
file(WRITE ${dir}/${name}.def "${def}")
file(REMOVE ${OUT})
if(STYLE STREQUAL "lld")
  set(make -m ${MACHINE} -k -d ${name}.def -D ${DLL} -l ${name}.a)
else()
  set(make --kill-at --input-def ${name}.def --dllname ${DLL} --output-delaylib ${name}.a)
endif()
# Relative names: the library's symbols are named after its file, and no build folder reaches the program.
execute_process(COMMAND ${DLLTOOL} ${make} WORKING_DIRECTORY ${dir} COMMAND_ERROR_IS_FATAL ANY)
