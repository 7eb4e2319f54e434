# Writes a .def file that exports __stdcall functions by their plain names.
# Entries are NAME:ARGBYTES; on i686 the compiler decorates NAME as
# NAME@ARGBYTES, which the .def maps back.
function(tarnix_write_stdcall_def path)
  set(text "EXPORTS\n")
  foreach(entry IN LISTS ARGN)
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 bytes)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      string(APPEND text "  ${name} = ${name}@${bytes}\n")
    else()
      string(APPEND text "  ${name}\n")
    endif()
  endforeach()
  file(WRITE ${path} "${text}")
endfunction()
