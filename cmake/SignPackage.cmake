# Run by cpack on the staged package, before it is zipped: nothing weaker than what the tests check goes
# out, the exe is signed, SHA256SUMS is written, and every entry gets a fixed mode.
set(folder ${CPACK_TEMPORARY_DIRECTORY}/TovalSet)
set(exe ${folder}/TovalSet.exe)

execute_process(COMMAND bash ${CPACK_TOVALSET_SOURCE_DIR}/tests/win32/check-exe.sh ${CPACK_TOVALSET_OBJDUMP}
        ${exe} ${CPACK_TOVALSET_BUILD_DIR}/compile_commands.json ${CPACK_TOVALSET_SOURCE_DIR}/actions
        ${CPACK_TOVALSET_SOURCE_DIR}/platform ${CPACK_TOVALSET_SOURCE_DIR}/ui
    OUTPUT_VARIABLE report ERROR_VARIABLE report RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${report}package: TovalSet.exe fails its checks")
endif()

set(timestamp "")
if(NOT "$ENV{TOVALSET_SIGN_TIMESTAMP_URL}" STREQUAL "")
    set(timestamp -ts "$ENV{TOVALSET_SIGN_TIMESTAMP_URL}")
endif()
execute_process(COMMAND osslsigncode sign -certs ${CPACK_TOVALSET_SIGN_CERT} -key ${CPACK_TOVALSET_SIGN_KEY}
        -h sha256 -n "TovalSet ${CPACK_PACKAGE_VERSION}" -time $ENV{SOURCE_DATE_EPOCH} ${timestamp} -in ${exe} -out ${exe}.signed
    OUTPUT_QUIET ERROR_VARIABLE error RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "package: osslsigncode could not sign TovalSet.exe: ${error}")
endif()
file(RENAME ${exe}.signed ${exe})

# In sha256sum's own form, so that `sha256sum -c SHA256SUMS` reads it.
set(sums "")
foreach(name TovalSet.exe README.txt)
    file(SHA256 ${folder}/${name} hash)
    string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${folder}/SHA256SUMS "${sums}")

file(CHMOD ${folder} ${folder}/All DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(CHMOD ${exe} ${folder}/README.txt ${folder}/SHA256SUMS FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ
    WORLD_READ)
