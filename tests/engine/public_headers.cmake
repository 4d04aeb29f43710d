# Compiles each engine header alone with the include path the programs get:
# a public header must compile (it includes only public headers), an internal
# one must not be found. Run by CTest:
#   cmake -DCXX=... -DINCLUDE=... -DENGINE=<engine source folder> -DPUBLIC="a.hpp;b.hpp" -DWORK=<folder> -P
cmake_minimum_required(VERSION 3.25)
file(GLOB headers RELATIVE ${ENGINE} ${ENGINE}/*.hpp)
file(MAKE_DIRECTORY ${WORK})
set(failed "")
foreach(header IN LISTS headers)
  set(probe ${WORK}/probe_${header}.cpp)
  file(WRITE ${probe} "#include \"engine/${header}\"\n")
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${INCLUDE} ${probe}
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
  if(header IN_LIST PUBLIC)
    if(NOT result EQUAL 0)
      list(APPEND failed "public ${header} does not compile on the programs' include path:\n${errors}")
    endif()
  elseif(result EQUAL 0)
    list(APPEND failed "internal ${header} is visible to the programs")
  endif()
endforeach()
if(failed)
  list(JOIN failed "\n" message)
  message(FATAL_ERROR "${message}")
endif()
list(LENGTH headers count)
message(STATUS "${count} headers checked")
