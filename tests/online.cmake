# Subsystem 4: form encoding, XML reader and XML document model.
morvane_test(online_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/formencoderTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/RatingProtocolTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/XUtilsTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/XXmlTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/XXmlDomTest.cpp
  LIBS morvane_online)

morvane_fuzz(form_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/FormFuzz.cpp LIBS morvane_online)
# The rating server's strict decoder, which reads what the network sends.
morvane_fuzz(form_decode_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/FormDecodeFuzz.cpp LIBS morvane_text)
morvane_fuzz(xmldom_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/XmlDomFuzz.cpp LIBS morvane_online)

# The benchmark compares with expat on the same bytes when expat is at hand
# (it never is in the Windows cross builds).
if(NOT MORVANE_FUZZ)
  find_path(MORVANE_EXPAT_INCLUDE_DIR expat.h)
  find_library(MORVANE_EXPAT_LIBRARY NAMES expat)
  if(MORVANE_EXPAT_INCLUDE_DIR AND MORVANE_EXPAT_LIBRARY)
    morvane_bench(xml_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench/XmlBench.cpp
                  LIBS morvane_online ${MORVANE_EXPAT_LIBRARY})
    target_include_directories(xml_bench PRIVATE ${MORVANE_EXPAT_INCLUDE_DIR})
    target_compile_definitions(xml_bench PRIVATE MORVANE_HAVE_EXPAT=1)
  else()
    morvane_bench(xml_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench/XmlBench.cpp
                  LIBS morvane_online)
  endif()
endif()

# The consultation and its HTTP client; the loopback server of the tests
# works over Winsock and BSD sockets alike, so both run under Wine too.
morvane_test(consult_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/HttpClientTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/ConsultTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/LoopbackServer.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/Seed_${MORVANE_PLATFORM}.cpp
  LIBS morvane_consult ${MORVANE_SEEDING})
if(TARGET consult_tests AND WIN32)
  target_link_libraries(consult_tests PRIVATE ws2_32)
endif()
