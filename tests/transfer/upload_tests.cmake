# The upload task: upload_*_test.cpp and callback_*_test.cpp without the service (suite
# transfer_upload); upload_*_live_test.cpp against the local ZYM service (fixture zym_service).
file(GLOB upload_unit_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/upload_*_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/callback_*_test.cpp)
list(FILTER upload_unit_srcs EXCLUDE REGEX "_live_test\\.cpp$")
if(upload_unit_srcs)
    zym_test_suite(NAME transfer_upload SOURCES ${upload_unit_srcs})
endif()
file(GLOB upload_live_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/upload_*_live_test.cpp)
if(upload_live_srcs)
    zym_test_suite(NAME transfer_upload_live SOURCES ${upload_live_srcs} FIXTURES zym_service LABELS integration)
endif()
