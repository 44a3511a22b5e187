# cmake -DNM=… -DDLLTOOL=… -DIMPORT_LIB=<lib…a> -DDLL=<name.dll> -DOUT=<delay lib> [-DUNDERSCORED=ON]
#       -P delayload_lib.cmake
# Writes a module-definition file of every function the import library imports (a member with both the
# call thunk and its __imp_ pointer; data has no thunk and cannot be delay-loaded) and has dlltool make
# the delay-import library from it. On i686 the stdcall names keep their @n and --kill-at imports them by
# the bare name, as the import library does.
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
  if(UNDERSCORED)
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
execute_process(COMMAND ${DLLTOOL} --kill-at --input-def ${name}.def --dllname ${DLL} --output-delaylib ${name}.a
                WORKING_DIRECTORY ${dir} COMMAND_ERROR_IS_FATAL ANY)
