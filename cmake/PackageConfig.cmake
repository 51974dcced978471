# Read by cpack before it packages: the zip's name, and whether this build may be released at all.
#
# A release for a service domain that is no service's host (a reserved name such as the placeholder the
# build starts with, or an IP address) is refused, in the words cmake/Package.cmake wrote at configure time;
# -D TOVALSET_DEMO=1 (make package DEMO=1) packages it anyway, under a name that says so.
set(CPACK_PACKAGE_FILE_NAME TovalSet-${CPACK_PACKAGE_VERSION}-win32)
set(refusal ${CPACK_TOVALSET_BUILD_DIR}/package/refusal.txt)
if(EXISTS ${refusal})
    if(NOT TOVALSET_DEMO)
        file(READ ${refusal} why)
        message(FATAL_ERROR "${why}")
    endif()
    string(APPEND CPACK_PACKAGE_FILE_NAME -demo)
endif()

# Signed with Authenticode (SHA-256) by osslsigncode, with the key and certificate (PEM files) that
#   TOVALSET_SIGN_KEY, TOVALSET_SIGN_CERT  name, and, if set, with a time stamp from the RFC 3161 server
#   TOVALSET_SIGN_TIMESTAMP_URL            (a time stamp makes each signing differ: see docs/CHECKING.txt).
# Without them with the TEST ONLY key in scripts/signing, and the zip's name says TEST-ONLY.
if(DEFINED ENV{TOVALSET_SIGN_KEY} OR DEFINED ENV{TOVALSET_SIGN_CERT})
    if(NOT EXISTS "$ENV{TOVALSET_SIGN_KEY}" OR NOT EXISTS "$ENV{TOVALSET_SIGN_CERT}")
        message(FATAL_ERROR "package: TOVALSET_SIGN_KEY and TOVALSET_SIGN_CERT must both name readable files")
    endif()
    set(CPACK_TOVALSET_SIGN_KEY "$ENV{TOVALSET_SIGN_KEY}")
    set(CPACK_TOVALSET_SIGN_CERT "$ENV{TOVALSET_SIGN_CERT}")
else()
    set(CPACK_TOVALSET_SIGN_KEY ${CPACK_TOVALSET_SOURCE_DIR}/scripts/signing/TovalSet-TEST-ONLY-signing.key)
    set(CPACK_TOVALSET_SIGN_CERT ${CPACK_TOVALSET_SOURCE_DIR}/scripts/signing/TovalSet-TEST-ONLY-signing.crt)
    string(APPEND CPACK_PACKAGE_FILE_NAME -TEST-ONLY-signed)
endif()

# The same commit gives the same bytes, in any folder and at any time: the exe is linked with no time
# stamp and no build path (CMakeLists.txt), its signing time is the commit's, and every entry of the zip
# has the commit's time (SOURCE_DATE_EPOCH, which CPack's archive writer honours) and a fixed mode. Times
# in a zip are local DOS times: UTC, so that the builder's time zone does not show.
if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    execute_process(COMMAND git -C ${CPACK_TOVALSET_SOURCE_DIR} log -1 --format=%ct
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status ERROR_QUIET)
    if(NOT status EQUAL 0 OR epoch STREQUAL "")
        message(FATAL_ERROR "package: not a git checkout; set SOURCE_DATE_EPOCH to the commit's time")
    endif()
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
set(ENV{TZ} UTC)
