# libcurl, zlib and cJSON as the imported targets orb::curl, orb::zlib, orb::cjson.
# Natively they come from Debian's -dev packages; for mingw, curl and cJSON come from the
# cache prefix that tools/setup/build-deps.sh fills (ORB_DEPS_PREFIX) and zlib from
# Debian's libz-mingw-w64-dev.
# Without ORB_DEPS_PREFIX (a Windows developer with vcpkg, say) the packages are found
# the usual way, as natively.
set(ORB_DEPS_PREFIX "" CACHE PATH "Install prefix of the cross-built libcurl and cJSON")
if(MINGW AND ORB_DEPS_PREFIX)
  if(NOT EXISTS "${ORB_DEPS_PREFIX}/lib/libcurl.a")
    message(FATAL_ERROR "ORB_DEPS_PREFIX='${ORB_DEPS_PREFIX}' holds no libcurl.a; run tools/setup/build-deps.sh")
  endif()
  find_library(ORB_ZLIB_A NAMES libz.a REQUIRED)
  find_path(ORB_ZLIB_INCLUDE zlib.h REQUIRED)

  add_library(orb::zlib STATIC IMPORTED GLOBAL)
  set_target_properties(orb::zlib PROPERTIES IMPORTED_LOCATION "${ORB_ZLIB_A}"
                        INTERFACE_INCLUDE_DIRECTORIES "${ORB_ZLIB_INCLUDE}")

  add_library(orb::curl STATIC IMPORTED GLOBAL)
  set_target_properties(orb::curl PROPERTIES IMPORTED_LOCATION "${ORB_DEPS_PREFIX}/lib/libcurl.a"
                        INTERFACE_INCLUDE_DIRECTORIES "${ORB_DEPS_PREFIX}/include"
                        INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
                        INTERFACE_LINK_LIBRARIES "orb::zlib;ws2_32;crypt32;bcrypt;secur32;wldap32;normaliz;advapi32")

  add_library(orb::cjson STATIC IMPORTED GLOBAL)
  set_target_properties(orb::cjson PROPERTIES IMPORTED_LOCATION "${ORB_DEPS_PREFIX}/lib/libcjson.a"
                        INTERFACE_INCLUDE_DIRECTORIES "${ORB_DEPS_PREFIX}/include")
else()
  find_package(CURL REQUIRED)
  find_package(ZLIB REQUIRED)
  find_path(ORB_CJSON_INCLUDE cjson/cJSON.h REQUIRED)
  find_library(ORB_CJSON_LIB NAMES cjson cJSON REQUIRED)
  add_library(orb::curl INTERFACE IMPORTED GLOBAL)
  target_link_libraries(orb::curl INTERFACE CURL::libcurl)
  add_library(orb::zlib INTERFACE IMPORTED GLOBAL)
  target_link_libraries(orb::zlib INTERFACE ZLIB::ZLIB)
  add_library(orb::cjson UNKNOWN IMPORTED GLOBAL)
  set_target_properties(orb::cjson PROPERTIES IMPORTED_LOCATION "${ORB_CJSON_LIB}"
                        INTERFACE_INCLUDE_DIRECTORIES "${ORB_CJSON_INCLUDE}")
endif()

find_package(Threads REQUIRED)
