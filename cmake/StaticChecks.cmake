# clang-tidy (.clang-tidy) and cppcheck on every source of ours as it is compiled, with the flags it is
# compiled with; any finding fails the build. The presets that the tests build switch them on; the x86_64
# stand-in tree builds the same sources, already checked in the 32-bit tree.
option(TOVALSET_STATIC_CHECKS "Run clang-tidy and cppcheck on every source as it is compiled" OFF)

if(TOVALSET_STATIC_CHECKS)
    find_program(TOVALSET_CLANG_TIDY NAMES clang-tidy-14 clang-tidy REQUIRED)
    find_program(TOVALSET_CPPCHECK NAMES cppcheck REQUIRED)
    set(tidy ${TOVALSET_CLANG_TIDY} --quiet)
    set(cppcheck_platform native)
    set(cppcheck_libraries googletest)
    if(WIN32)
        # clang-tidy reads no response files: include folders on the command line itself.
        set(CMAKE_C_USE_RESPONSE_FILE_FOR_INCLUDES OFF)
        set(CMAKE_CXX_USE_RESPONSE_FILE_FOR_INCLUDES OFF)
        # clang parses the mingw-w64 sources for the cross compiler's own target, with its libstdc++: it
        # finds the mingw-w64 headers by itself, but not GCC's C++ library under its "-win32" folder.
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine OUTPUT_VARIABLE target
            OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        list(APPEND tidy --extra-arg=--target=${target})
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -E -x c++ -v /dev/null
            ERROR_VARIABLE search OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
        string(REGEX MATCHALL "\n [^\n]*/c\\+\\+[^\n]*" folders "${search}")
        foreach(folder IN LISTS folders)
            string(STRIP "${folder}" folder)
            file(REAL_PATH "${folder}" folder)
            list(APPEND tidy --extra-arg=-isystem${folder})
        endforeach()
        if(CMAKE_SIZEOF_VOID_P EQUAL 4)
            set(cppcheck_platform win32A)
        else()
            set(cppcheck_platform win64)
        endif()
        set(cppcheck_libraries windows,googletest)
    endif()
    set(CMAKE_CXX_CLANG_TIDY ${tidy})
    # Findings in system headers are not ours.
    set(CMAKE_CXX_CPPCHECK ${TOVALSET_CPPCHECK} --std=c++17 --quiet --inline-suppr --error-exitcode=1
        --platform=${cppcheck_platform} --library=${cppcheck_libraries}
        --enable=warning,performance,portability,style
        --suppress=missingIncludeSystem --suppress=*:/usr/*
        --template={file}:{line}:{column}:\ {severity}:\ {message}\ [{id}])
endif()

# add_unchecked_subdirectory(<source> <binary> ...): a third party's code, which keeps its own rules.
function(add_unchecked_subdirectory)
    unset(CMAKE_CXX_CLANG_TIDY)
    unset(CMAKE_CXX_CPPCHECK)
    add_subdirectory(${ARGV})
endfunction()

# The sources as they are: clang-format with the repo's .clang-format, no change allowed.
find_program(TOVALSET_CLANG_FORMAT NAMES clang-format-14 clang-format)
file(GLOB_RECURSE formatted CONFIGURE_DEPENDS
    LIST_DIRECTORIES false RELATIVE ${PROJECT_SOURCE_DIR}
    ${PROJECT_SOURCE_DIR}/actions/*.cpp ${PROJECT_SOURCE_DIR}/actions/*.h
    ${PROJECT_SOURCE_DIR}/platform/*.cpp ${PROJECT_SOURCE_DIR}/platform/*.h
    ${PROJECT_SOURCE_DIR}/ui/*.cpp ${PROJECT_SOURCE_DIR}/ui/*.h
    ${PROJECT_SOURCE_DIR}/support/*.cpp ${PROJECT_SOURCE_DIR}/support/*.h
    ${PROJECT_SOURCE_DIR}/tests/*.cpp ${PROJECT_SOURCE_DIR}/tests/*.h
    ${PROJECT_SOURCE_DIR}/tools/*.cpp ${PROJECT_SOURCE_DIR}/tools/*.h
    ${PROJECT_SOURCE_DIR}/bench/*.cpp ${PROJECT_SOURCE_DIR}/bench/*.h)
list(LENGTH formatted count)
add_custom_target(format-check
    COMMAND ${TOVALSET_CLANG_FORMAT} --dry-run --Werror ${formatted}
    COMMAND ${CMAKE_COMMAND} -E echo "clang-format: passed (${count} files)"
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "clang-format: the sources as they are"
    VERBATIM)
