# The certificate the package is signed with. A release build names the maker's certificate
# (-DTAVRINO_SIGNING_PFX=file.pfx, and -DTAVRINO_SIGNING_PASSWORD_FILE=file when it has a password);
# any other build signs with a self-signed test certificate made here once and kept in the build
# folder, its private key with it and nowhere else. Sets TAVRINO_SIGNING_KIND, TAVRINO_SIGNING_SUBJECT
# (in Windows' form, the package's Publisher), TAVRINO_SIGNING_CER (the public certificate shipped
# beside the package, DER) and TAVRINO_SIGNING_ARGS (for osslsigncode sign).
set(TAVRINO_SIGNING_PFX "" CACHE FILEPATH "The maker's code-signing certificate with its private key (PKCS#12); empty: a test certificate")
set(TAVRINO_SIGNING_PASSWORD_FILE "" CACHE FILEPATH "A file whose first line is the password of TAVRINO_SIGNING_PFX")

find_program(TAVRINO_OPENSSL openssl)
if(NOT TAVRINO_OPENSSL)
  message(FATAL_ERROR "openssl not found: run scripts/install-deps.sh (Debian package openssl)")
endif()

set(signing_dir ${CMAKE_BINARY_DIR}/package/signing)
file(MAKE_DIRECTORY ${signing_dir})
set(certificate ${signing_dir}/certificate.pem)

if(TAVRINO_SIGNING_PFX)
  set(TAVRINO_SIGNING_KIND release)
  set(password_in pass:)
  set(TAVRINO_SIGNING_ARGS -pkcs12 ${TAVRINO_SIGNING_PFX})
  if(TAVRINO_SIGNING_PASSWORD_FILE)
    set(password_in file:${TAVRINO_SIGNING_PASSWORD_FILE})
    list(APPEND TAVRINO_SIGNING_ARGS -readpass ${TAVRINO_SIGNING_PASSWORD_FILE})
  endif()
  # Files made by older tools use ciphers OpenSSL 3 keeps in its legacy provider.
  foreach(legacy "" -legacy)
    execute_process(
      COMMAND ${TAVRINO_OPENSSL} pkcs12 ${legacy} -in ${TAVRINO_SIGNING_PFX} -passin ${password_in}
        -nokeys -clcerts -out ${certificate}
      RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE error)
    if(NOT failed)
      break()
    endif()
  endforeach()
  if(failed)
    message(FATAL_ERROR "Cannot read the certificate of ${TAVRINO_SIGNING_PFX}: ${error}")
  endif()
else()
  set(TAVRINO_SIGNING_KIND test)
  set(key ${signing_dir}/test-key.pem)
  set(certificate ${signing_dir}/test-certificate.pem)
  # Kept across configures: a machine that trusts it once accepts every later package of this build.
  if(NOT EXISTS ${certificate} OR NOT EXISTS ${key})
    execute_process(
      COMMAND ${TAVRINO_OPENSSL} req -x509 -newkey rsa:3072 -sha256 -nodes -days 1825
        -subj "/CN=TavrinoRename Test" -keyout ${key} -out ${certificate}
        -addext "basicConstraints=critical,CA:FALSE"
        -addext "keyUsage=critical,digitalSignature"
        -addext "extendedKeyUsage=codeSigning"
      RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE error)
    if(failed)
      file(REMOVE ${certificate} ${key})
      message(FATAL_ERROR "Cannot make the test signing certificate: ${error}")
    endif()
    file(CHMOD ${key} PERMISSIONS OWNER_READ OWNER_WRITE)
  endif()
  set(TAVRINO_SIGNING_ARGS -certs ${certificate} -key ${key})
endif()

get_filename_component(package_base ${TAVRINO_PACKAGE_FILE} NAME_WE)
set(TAVRINO_SIGNING_CER ${CMAKE_BINARY_DIR}/package/${package_base}.cer)
execute_process(COMMAND ${TAVRINO_OPENSSL} x509 -in ${certificate} -outform DER -out ${TAVRINO_SIGNING_CER}
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND python3 ${CMAKE_SOURCE_DIR}/package/publisher.py ${TAVRINO_SIGNING_CER}
  OUTPUT_VARIABLE TAVRINO_SIGNING_SUBJECT
  COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Package signing: ${TAVRINO_SIGNING_KIND} certificate \"${TAVRINO_SIGNING_SUBJECT}\"")
