# Generates version.h from CORV_SHORT_VERSION and checks at build time that its
# digits read as a settings version the program itself accepts.
set(CORV_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/cmake/version.h.in ${CORV_GENERATED_DIR}/corv/version.h @ONLY)
