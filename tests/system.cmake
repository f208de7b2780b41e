# The seeding of the portable fakes (the test side of the in-memory registry,
# shell folders and file services); on Windows the suites seed the system
# itself and this stays empty.
set(MORVANE_SEEDING)
if(MORVANE_PLATFORM STREQUAL "portable" AND NOT MORVANE_FUZZ)
  add_library(morvane_seeding STATIC ${CMAKE_CURRENT_SOURCE_DIR}/support/PortableRegistry.cpp
                                     ${CMAKE_CURRENT_SOURCE_DIR}/support/PortableHost.cpp)
  target_link_libraries(morvane_seeding PUBLIC morvane_system)
  target_include_directories(morvane_seeding PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set(MORVANE_SEEDING morvane_seeding)
endif()

# The services layer's conformance suite: the same tests run natively against
# the portable implementation and under Wine against the Windows API.
set(system_test_sources
  ${CMAKE_CURRENT_SOURCE_DIR}/RegistryTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/RegistryOpenTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/IniTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/IniTextTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/FilesTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/StringListTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/AsciiCaseTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/FormCodingTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TextEscapeTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TextScanTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/UniqueAnyTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TextCodecTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/WideTextTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ShortcutLinkTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/LnkFormatTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Sha256Test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/FileSignatureTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/PackagesTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ProgramManifestTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/Seed_${MORVANE_PLATFORM}.cpp)
morvane_test(system_tests SOURCES ${system_test_sources} LIBS morvane_system ${MORVANE_SEEDING})

# The signature tests' programs, built and signed at build time beside the
# tests (bin/signed): a MinGW program with a version resource, the same
# signed by a certificate made on the spot, and that one changed after signing.
if(MINGW AND TARGET system_tests)
  enable_language(RC)
  set(signed_samples_dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/signed)
  set(signed_samples)
  foreach(name sample.exe sample-signed.exe sample-tampered.exe sample.sha256)
    list(APPEND signed_samples ${signed_samples_dir}/${name})
  endforeach()
  set(samples_source ${CMAKE_CURRENT_SOURCE_DIR}/data/signed)
  add_custom_command(
    OUTPUT ${signed_samples}
    COMMAND bash ${samples_source}/make-samples.sh ${CMAKE_C_COMPILER} ${CMAKE_RC_COMPILER}
            ${samples_source} ${signed_samples_dir}
    DEPENDS ${samples_source}/make-samples.sh ${samples_source}/sample.c ${samples_source}/sample.rc
    COMMENT "Building and signing the signature tests' programs")
  add_custom_target(signed_samples DEPENDS ${signed_samples})
  add_dependencies(system_tests signed_samples)
endif()
# The manifest tests' programs (bin/manifest): one that asks for
# administrator rights and one that runs as the invoker, with the console
# programs' manifest.
if(MINGW AND TARGET system_tests)
  enable_language(RC)
  set(manifest_samples_source ${CMAKE_CURRENT_SOURCE_DIR}/data/manifest)
  foreach(sample admin invoker)
    if(sample STREQUAL "admin")
      set(MANIFEST ${manifest_samples_source}/admin.manifest)
    else()
      set(MANIFEST ${PROJECT_SOURCE_DIR}/cmake/templates/Console.manifest)
    endif()
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/manifest-${sample}.rc)
    configure_file(${manifest_samples_source}/sample.rc.in ${rc} @ONLY)
    add_executable(manifest_${sample} ${manifest_samples_source}/sample.c ${rc})
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${MANIFEST})
    set_target_properties(manifest_${sample} PROPERTIES
      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/manifest OUTPUT_NAME ${sample}-sample)
    add_dependencies(system_tests manifest_${sample})
  endforeach()
endif()

morvane_fuzz(lnk_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/LnkFuzz.cpp LIBS morvane_system)
morvane_fuzz(manifest_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/ProgramManifestFuzz.cpp LIBS morvane_system)
