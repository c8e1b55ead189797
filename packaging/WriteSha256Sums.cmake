# Run by cpack once the packages are built, before it moves them into CPACK_PACKAGE_DIRECTORY:
# SHA256SUMS for them there.
include("${CPACK_CORVANE_SOURCE_DIR}/cmake/ReleaseFiles.cmake")
corvane_write_sha256sums("${CPACK_PACKAGE_DIRECTORY}" ${CPACK_PACKAGE_FILES})
