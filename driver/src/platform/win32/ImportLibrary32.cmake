# The import library of the 32-bit KASDRV.DLL. The DLL exports its __stdcall
# functions by plain name (the linker's --kill-at), but 32-bit callers refer
# to them as _FPInit@16 and the like: this writes a module definition of the
# decorated names found in the driver's objects and has dlltool build an
# import library that maps each decorated name onto the plain export.
#
#   cmake -DNM=... -DDLLTOOL=... -DOBJECTS="a.obj;b.obj" -DDEF=out.def
#         -DIMPLIB=libKASDRV.dll.a -P ImportLibrary32.cmake
execute_process(COMMAND ${NM} --defined-only ${OBJECTS} OUTPUT_VARIABLE symbols
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} failed")
endif()
string(REGEX MATCHALL " T _FP[A-Za-z0-9]+@[0-9]+" found "${symbols}")
list(REMOVE_DUPLICATES found)
list(SORT found)
set(def "LIBRARY \"KASDRV.DLL\"\nEXPORTS\n")
foreach(s IN LISTS found)
  string(REGEX REPLACE " T _" "    " s "${s}")
  string(APPEND def "${s}\n")
endforeach()
file(WRITE ${DEF} "${def}")
execute_process(COMMAND ${DLLTOOL} --input-def ${DEF} --dllname KASDRV.DLL --kill-at
                        --output-lib ${IMPLIB} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${DLLTOOL} failed")
endif()
