# `make package`: the zip for administrators, by CPack from these install rules. It holds TovalSet/ with the
# exe, signed, an empty All/ to put the service's files in, README.txt (docs/ADMIN.txt and
# docs/CHECKING.txt), and SHA256SUMS of both; the demo stand-ins are not in it. Only the 32-bit exe ships.
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
    return()
endif()

# README.txt is read in Notepad: CRLF line ends.
set(readme_sources ${PROJECT_SOURCE_DIR}/docs/ADMIN.txt ${PROJECT_SOURCE_DIR}/docs/CHECKING.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${readme_sources})
file(READ ${PROJECT_SOURCE_DIR}/docs/ADMIN.txt admin)
file(READ ${PROJECT_SOURCE_DIR}/docs/CHECKING.txt checking)
string(REPLACE "\n" "\r\n" readme "${admin}\n${checking}")
file(WRITE ${CMAKE_BINARY_DIR}/package/README.txt "${readme}")

install(TARGETS TovalSet RUNTIME DESTINATION TovalSet)
install(FILES ${CMAKE_BINARY_DIR}/package/README.txt DESTINATION TovalSet)
install(DIRECTORY DESTINATION TovalSet/All)

# Whether this build may be released at all, said once here: `make package` stops on it before cpack
# starts, and cmake/PackageConfig.cmake refuses with the same words when cpack is run directly.
include(${PROJECT_SOURCE_DIR}/cmake/ReleaseDomain.cmake)
release_domain_refusal("${TOVALSET_SERVICE_DOMAIN}" why)
if(why)
    file(WRITE ${CMAKE_BINARY_DIR}/package/refusal.txt
        "package: refused: the service domain ${TOVALSET_SERVICE_DOMAIN} ${why}.\n"
        "Build for the service's host (cmake --preset win32 -DTOVALSET_SERVICE_DOMAIN=<host>), or ask "
        "for a demo package: make package DEMO=1\n")
else()
    file(REMOVE ${CMAKE_BINARY_DIR}/package/refusal.txt)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME TovalSet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_THREADS 1)
# What cmake/PackageConfig.cmake (name, refusal, time) and cmake/SignPackage.cmake (before zipping) need.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/PackageConfig.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/SignPackage.cmake)
set(CPACK_TOVALSET_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_TOVALSET_BUILD_DIR ${CMAKE_BINARY_DIR})
set(CPACK_TOVALSET_OBJDUMP ${CMAKE_OBJDUMP})
include(CPack)
