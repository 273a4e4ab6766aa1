# Fails when an object of the static libraries FILES needs a data symbol (an object, not a
# function) of the interpreter library LIBRARY: Py_None's _Py_NoneStruct, Py_True's
# _Py_TrueStruct, PyExc_*, the type objects. The Windows build reaches python3.dll through a
# delay-load import library, where such a symbol links but names the wrong address.
#
#   cmake -DNM=nm -DLIBRARY=libpython3.X.so -DFILES="a.a;b.a" -P python_data_symbols.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND "${NM}" -D --defined-only "${LIBRARY}"
                OUTPUT_VARIABLE defined RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${NM} cannot read ${LIBRARY}")
endif()
# "ADDRESS TYPE NAME": initialised, uninitialised, read-only and weak objects.
string(REGEX MATCHALL "[^\n]+" lines "${defined}")
set(data "")
foreach(line IN LISTS lines)
    if(line MATCHES " [BDRVbdrv] ([^ ]+)$")
        list(APPEND data "${CMAKE_MATCH_1}")
    endif()
endforeach()
list(LENGTH data dataCount)
if(dataCount LESS 50)
    message(FATAL_ERROR "only ${dataCount} data symbols found in ${LIBRARY}: not the interpreter?")
endif()

set(found "")
set(pythonCalls 0)
foreach(file IN LISTS FILES)
    execute_process(COMMAND "${NM}" -u "${file}" OUTPUT_VARIABLE undefined RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${NM} cannot read ${file}")
    endif()
    string(REGEX MATCHALL "[^\n]+" lines "${undefined}")
    set(object "${file}")
    foreach(line IN LISTS lines)
        if(line MATCHES "^(.+):$")  # an archive member
            set(object "${file}(${CMAKE_MATCH_1})")
        elseif(line MATCHES " U (_?Py[^ ]*)$")
            set(symbol "${CMAKE_MATCH_1}")
            math(EXPR pythonCalls "${pythonCalls} + 1")
            if(symbol IN_LIST data)
                list(APPEND found "${object}: ${symbol}")
            endif()
        endif()
    endforeach()
endforeach()

if(pythonCalls EQUAL 0)
    message(FATAL_ERROR "no Python symbol needed by ${FILES}: nothing was checked")
endif()
if(found)
    list(JOIN found "\n  " text)
    message(FATAL_ERROR "data symbols of the interpreter, which a delay-load import library "
                        "cannot serve:\n  ${text}")
endif()
message(STATUS "${pythonCalls} Python symbols needed, none of them data")
