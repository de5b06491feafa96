# The identity of the package that puts our submenu into Windows 11's own menu: one place for the
# values that the manifest and the binaries share. The publisher is the signing certificate's
# subject, and the family name follows from it.
set(TAVRINO_PACKAGE_NAME "TavrinoRename.ContextMenu")
set(TAVRINO_PACKAGE_FILE "tavrino_contextmenu.msix")
set(TAVRINO_EXPLORER_COMMAND_CLSID "371E7591-4CC0-4C99-B427-943A574FCC98")
set(TAVRINO_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
# Windows accepts the package only when its publisher is the signer's subject, written its way.
include(${CMAKE_CURRENT_LIST_DIR}/signing_certificate.cmake)
set(TAVRINO_PACKAGE_PUBLISHER "${TAVRINO_SIGNING_SUBJECT}")
# A quoted name (O="Maker, Inc.") in the manifest's attribute and in a C++ literal.
string(REPLACE "&" "&amp;" TAVRINO_PACKAGE_PUBLISHER_XML "${TAVRINO_PACKAGE_PUBLISHER}")
string(REPLACE "<" "&lt;" TAVRINO_PACKAGE_PUBLISHER_XML "${TAVRINO_PACKAGE_PUBLISHER_XML}")
string(REPLACE "\"" "&quot;" TAVRINO_PACKAGE_PUBLISHER_XML "${TAVRINO_PACKAGE_PUBLISHER_XML}")
string(REPLACE "\\" "\\\\" TAVRINO_PACKAGE_PUBLISHER_C "${TAVRINO_PACKAGE_PUBLISHER}")
string(REPLACE "\"" "\\\"" TAVRINO_PACKAGE_PUBLISHER_C "${TAVRINO_PACKAGE_PUBLISHER_C}")

# The family name Windows gives the package: the name and the publisher's id.
execute_process(
  COMMAND python3 ${CMAKE_SOURCE_DIR}/package/publisher.py --id "${TAVRINO_PACKAGE_PUBLISHER}"
  OUTPUT_VARIABLE TAVRINO_PUBLISHER_ID
  COMMAND_ERROR_IS_FATAL ANY)
set(TAVRINO_PACKAGE_FAMILY_NAME "${TAVRINO_PACKAGE_NAME}_${TAVRINO_PUBLISHER_ID}")

string(SUBSTRING "${TAVRINO_EXPLORER_COMMAND_CLSID}" 0 8 TAVRINO_CLSID_1)
string(SUBSTRING "${TAVRINO_EXPLORER_COMMAND_CLSID}" 9 4 TAVRINO_CLSID_2)
string(SUBSTRING "${TAVRINO_EXPLORER_COMMAND_CLSID}" 14 4 TAVRINO_CLSID_3)
set(TAVRINO_CLSID_4 "")
foreach(offset 19 21 24 26 28 30 32 34)
  string(SUBSTRING "${TAVRINO_EXPLORER_COMMAND_CLSID}" ${offset} 2 byte)
  list(APPEND TAVRINO_CLSID_4 "0x${byte}")
endforeach()
string(JOIN ", " TAVRINO_CLSID_4 ${TAVRINO_CLSID_4})
configure_file(${CMAKE_SOURCE_DIR}/common/package_identity.cpp.in
  ${CMAKE_BINARY_DIR}/generated/package_identity.cpp @ONLY)
