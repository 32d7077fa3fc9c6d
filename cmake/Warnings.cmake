# Compiler settings shared by every target of the tree.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-Wall -Wextra -Wno-unused-parameter)
endif()

if(ORB_WINDOWS)
  # Unicode Win32 API, no min/max macros, Windows 7 API level.
  add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601)
  if(MINGW)
    # Self-contained executables: no mingw runtime DLLs beside them.
    add_link_options(-static -static-libgcc -static-libstdc++)
  endif()
endif()

if(ORB_SANITIZE AND ORB_TSAN)
  message(FATAL_ERROR "ORB_SANITIZE and ORB_TSAN exclude each other")
endif()
if(ORB_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ORB_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(ORB_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
