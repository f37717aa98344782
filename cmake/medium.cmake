# Lays out an installation medium, Setup/tandrel.exe beside photoshopplugins/,
# signs its program when a certificate is given, and packs the medium as one zip:
#   cmake -DEXE=... "-DPLUGINS=a;b" -DMEDIUM=DIR -DZIP=FILE
#         [-DSIGN_PKCS12=... -DSIGN_PASSWORD_FILE=... [-DSIGN_CAFILE=...]
#          [-DSIGN_TIMESTAMP_URL=...] [-DSIGN_DESCRIPTION=...] [-DSIGN_URL=...]]
#         -P medium.cmake
cmake_minimum_required(VERSION 3.21)
cmake_path(ABSOLUTE_PATH ZIP)  # packed from inside the medium

file(REMOVE_RECURSE "${MEDIUM}" "${ZIP}")
file(MAKE_DIRECTORY "${MEDIUM}/Setup" "${MEDIUM}/photoshopplugins")
set(entries Setup/tandrel.exe)
foreach(plugin IN LISTS PLUGINS)
    cmake_path(GET plugin FILENAME name)
    file(COPY_FILE "${plugin}" "${MEDIUM}/photoshopplugins/${name}")
    list(APPEND entries "photoshopplugins/${name}")
endforeach()

set(program "${MEDIUM}/Setup/tandrel.exe")
if(NOT SIGN_PKCS12)
    file(COPY_FILE "${EXE}" "${program}")
else()
    # Signed as it is copied, after every other change to the file. The tool reads
    # the password from its file itself: it is on no command line and in no log.
    if(NOT SIGN_PASSWORD_FILE)
        message(FATAL_ERROR "Signing needs TANDREL_SIGN_PASSWORD_FILE, the file holding the certificate's password")
    endif()
    set(sign sign -pkcs12 "${SIGN_PKCS12}" -readpass "${SIGN_PASSWORD_FILE}" -h sha256)
    if(SIGN_DESCRIPTION)
        list(APPEND sign -n "${SIGN_DESCRIPTION}")
    endif()
    if(SIGN_URL)
        list(APPEND sign -i "${SIGN_URL}")
    endif()
    if(SIGN_TIMESTAMP_URL)
        list(APPEND sign -ts "${SIGN_TIMESTAMP_URL}")
    endif()
    execute_process(COMMAND osslsigncode ${sign} -in "${EXE}" -out "${program}" RESULT_VARIABLE failed OUTPUT_QUIET)
    if(failed)
        file(REMOVE "${program}")
        message(FATAL_ERROR "Signing ${program} failed")
    endif()

    set(verify verify -in "${program}")
    if(SIGN_CAFILE)
        list(APPEND verify -CAfile "${SIGN_CAFILE}")
    endif()
    execute_process(COMMAND osslsigncode ${verify} OUTPUT_VARIABLE report ERROR_VARIABLE report RESULT_VARIABLE failed)
    if(failed)
        file(REMOVE "${program}")
        message(FATAL_ERROR "${report}The signature of ${program} does not verify")
    endif()
    message(STATUS "Signed and verified ${program}")
endif()

execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${ZIP}" --format=zip ${entries}
                WORKING_DIRECTORY "${MEDIUM}" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "Packing ${ZIP} failed")
endif()
