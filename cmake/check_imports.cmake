# cmake -DOBJDUMP=… -DALLOWED=<dll;…> -DPROGRAM=<exe> -P check_imports.cmake
# Fails when the program imports a DLL outside ALLOWED directly (delay-loaded DLLs are not in its import
# table): such a DLL is loaded before main can restrict the DLL search.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "DLL Name: [^\n]+" names "${headers}")
string(TOLOWER "${ALLOWED}" allowed)
set(found)
set(unexpected)
foreach(entry IN LISTS names)
  string(REGEX REPLACE "^DLL Name: " "" dll "${entry}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" lower)
  list(APPEND found ${dll})
  if(NOT lower IN_LIST allowed)
    list(APPEND unexpected ${dll})
  endif()
endforeach()
if(unexpected OR NOT found)
  message(FATAL_ERROR "${PROGRAM} imports ${found} directly; only ${ALLOWED} may be: call a new function of "
                      "a system DLL through one of the delay-loaded libraries (cmake/delayload.cmake)")
endif()
