# Lays out an installation medium, Setup/tandrel.exe beside photoshopplugins/,
# signs its program when a certificate is given, and packs the medium as one zip
# with SHA256SUMS beside it:
#   cmake -DEXE=... "-DPLUGINS=a;b" -DMEDIUM=DIR -DZIP=FILE
#         [-DSIGN_PKCS12=... -DSIGN_PASSWORD_FILE=... [-DSIGN_CAFILE=...] [-DSIGN_CRLFILE=...]
#          [-DSIGN_CHECK_REVOCATION=OFF] [-DSIGN_TIMESTAMP_URL=...] [-DSIGN_DESCRIPTION=...]
#          [-DSIGN_URL=...]]
#         -P medium.cmake
# The zip and SHA256SUMS are the release: a failed step leaves neither, nor a medium.
cmake_minimum_required(VERSION 3.21)
cmake_path(ABSOLUTE_PATH ZIP)
cmake_path(GET ZIP PARENT_PATH release)
cmake_path(GET ZIP FILENAME zip_name)
set(sums "${release}/SHA256SUMS")
find_program(PYTHON python3 REQUIRED)
set(files "${PYTHON}" "${CMAKE_CURRENT_LIST_DIR}/medium.py")

# Both written under temporary names and renamed only when complete.
file(REMOVE_RECURSE "${MEDIUM}" "${ZIP}" "${sums}" "${ZIP}.partial" "${sums}.partial")
function(fail text)
    file(REMOVE_RECURSE "${MEDIUM}" "${ZIP}.partial" "${sums}.partial")
    message(FATAL_ERROR "${text}")
endfunction()
# run(WHAT COMMAND...): the command's own output, on either stream, is shown when it fails.
function(run what)
    execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE failed)
    if(failed)
        fail("${out}${what} failed")
    endif()
endfunction()

run("Laying out the medium ${MEDIUM}" ${files} layout "${MEDIUM}" ${PLUGINS})

file(MAKE_DIRECTORY "${MEDIUM}/Setup")
set(program "${MEDIUM}/Setup/tandrel.exe")
if(NOT SIGN_PKCS12)
    file(COPY_FILE "${EXE}" "${program}" RESULT copied)
    if(NOT copied EQUAL 0)
        fail("Copying ${EXE} failed: ${copied}")
    endif()
else()
    # Signed as it is copied, after every other change to the file. The tool reads
    # the password from its file itself: it is on no command line and in no log.
    if(NOT SIGN_PASSWORD_FILE)
        fail("Signing needs TANDREL_SIGN_PASSWORD_FILE, the file holding the certificate's password")
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
    run("Signing ${program}" osslsigncode ${sign} -in "${EXE}" -out "${program}")

    # Revocation: osslsigncode versions that know -ignore-cdp fetch the
    # certificate's revocation list from the address it names. A list given as a
    # file, or no check at all, keeps the signing machine off the network;
    # older versions check only a list given as a file.
    set(verify verify -in "${program}")
    if(SIGN_CAFILE)
        list(APPEND verify -CAfile "${SIGN_CAFILE}")
    endif()
    execute_process(COMMAND osslsigncode --help OUTPUT_VARIABLE help ERROR_VARIABLE help)
    string(FIND "${help}" "-ignore-cdp" fetches)
    if(DEFINED SIGN_CHECK_REVOCATION AND NOT SIGN_CHECK_REVOCATION)
        if(fetches GREATER -1)
            list(APPEND verify -ignore-crl)
        endif()
        set(revocation "revocation not checked")
    elseif(SIGN_CRLFILE)
        list(APPEND verify -CRLfile "${SIGN_CRLFILE}")
        if(fetches GREATER -1)
            list(APPEND verify -ignore-cdp)
        endif()
        set(revocation "revocation checked against ${SIGN_CRLFILE}")
    elseif(fetches GREATER -1)
        set(revocation "revocation checked online")
    else()
        set(revocation "revocation not checked: this osslsigncode fetches no list, give TANDREL_SIGN_CRLFILE")
    endif()
    run("Verifying the signature of ${program}" osslsigncode ${verify})
    # Not covered by the signature, and only some versions look at it.
    run("Checking the PE checksum of ${program}" ${files} checksum "${program}")
    message(STATUS "Signed and verified ${program} (${revocation})")
endif()

run("Packing ${ZIP}" ${files} zip "${MEDIUM}" "${ZIP}.partial")
file(SHA256 "${ZIP}.partial" hash)
file(WRITE "${sums}.partial" "${hash}  ${zip_name}\n")
file(RENAME "${ZIP}.partial" "${ZIP}")
file(RENAME "${sums}.partial" "${sums}")
