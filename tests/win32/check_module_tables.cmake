# Checks the tables of the built module, as `objdump -p` prints them:
#   - exports: exactly GetPluginInfo, IsSupported, CreatePicture and
#     ConfigurationDlg, by those undecorated names, at ordinals 1 to 4 in that
#     order; the entry function is not among them;
#   - imports: only KERNEL32.dll and msvcrt.dll, so the module runs with no
#     compiler runtime DLL beside it.
# Usage: cmake -D OBJDUMP=<objdump> -D MODULE=<eps_export.dll> -P check_module_tables.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${OBJDUMP} -p ${MODULE}
  OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${MODULE} failed: ${failed}")
endif()

set(problems "")

# Exports. The name table lists "[ i] Name" with i counted from the ordinal base.
if(NOT dump MATCHES "Ordinal Base[ \t]+([0-9]+)")
  message(FATAL_ERROR "no export table in ${MODULE}")
endif()
set(base ${CMAKE_MATCH_1})
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(([ \t]+\\[[ 0-9]+\\][^\n]*\n)*)" names "${dump}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" entries "${CMAKE_MATCH_1}")
set(exports "")
foreach(entry IN LISTS entries)
  string(REGEX MATCH "\\[ *([0-9]+)\\] (.+)" _ "${entry}")
  math(EXPR ordinal "${CMAKE_MATCH_1} + ${base}")
  list(APPEND exports "${ordinal}:${CMAKE_MATCH_2}")
endforeach()
list(SORT exports COMPARE NATURAL)
set(expected "1:GetPluginInfo;2:IsSupported;3:CreatePicture;4:ConfigurationDlg")
if(NOT exports STREQUAL expected)
  string(APPEND problems "exports are '${exports}', expected '${expected}'\n")
endif()
if(NOT dump MATCHES "Export Address Table[ \t]+0*4\n")
  string(APPEND problems "the export address table does not hold exactly four entries\n")
endif()
if(exports MATCHES "DllMain")
  string(APPEND problems "the entry function is exported\n")
endif()

# Imports, compared without regard to case as the loader does.
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
set(imports "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  list(APPEND imports "${dll}")
endforeach()
list(SORT imports)
if(NOT imports STREQUAL "kernel32.dll;msvcrt.dll")
  string(APPEND problems "imports are '${imports}', expected only kernel32.dll and msvcrt.dll\n")
endif()

if(problems)
  message(FATAL_ERROR "${MODULE}:\n${problems}")
endif()
message(STATUS "exports: ${exports}; imports: ${imports}")
