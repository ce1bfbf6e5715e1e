cmake_policy(SET CMP0057 NEW)
# cmake -DOBJDUMP=<objdump> -DFILES=<a.exe;b.exe> -P check_imports.cmake
# Fails unless every DLL the programs import is one of Windows' own: the builds
# link statically, so nothing has to be shipped beside the .exe files.
set(windows_dlls
  advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll
  oleaut32.dll shell32.dll shlwapi.dll user32.dll ws2_32.dll)
foreach(file IN LISTS FILES)
  execute_process(COMMAND "${OBJDUMP}" -p "${file}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot read the import table of ${file}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" names "${dump}")
  if(NOT names)
    message(FATAL_ERROR "${file} imports no DLL at all: not a Windows program?")
  endif()
  foreach(line IN LISTS names)
    string(REPLACE "DLL Name: " "" dll "${line}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST windows_dlls)
      message(FATAL_ERROR "${file} imports ${dll}, which Windows does not bring")
    endif()
    message(STATUS "${file}: ${dll}")
  endforeach()
endforeach()
