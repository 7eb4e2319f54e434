# Compiler settings shared by every target of the project.
set(TARNIX_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wcast-qual -Wformat=2 -Wundef -Wnon-virtual-dtor -Wold-style-cast -Wnull-dereference
    -Wimplicit-fallthrough -Wmissing-declarations)

# Sources are UTF-8; strings in the executables are CP932, the host's encoding.
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-finput-charset=UTF-8> $<$<COMPILE_LANGUAGE:C,CXX>:-fexec-charset=CP932>)

if(TARNIX_SANITIZE)
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-fsanitize=address,undefined> $<$<COMPILE_LANGUAGE:C,CXX>:-fno-sanitize-recover=all> $<$<COMPILE_LANGUAGE:C,CXX>:-fno-omit-frame-pointer>)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # Only system DLLs may be imported: the runtime is linked in.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

function(tarnix_set_warnings target)
  target_compile_options(${target} PRIVATE ${TARNIX_WARNINGS})
  if(TARNIX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
