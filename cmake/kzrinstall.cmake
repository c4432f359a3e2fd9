# What `cmake --install` puts under a prefix, for hosts other than the ones built here:
#   lib/       libkzr.so and its sibling shared libraries (fixed income, link), the host stand-in
#              and the code catalogue as static libraries
#   include/kzr/  the host interface (plain C), the stand-in host and link, the catalogue's
#              tables, the interface's numbers (binding/interfacenumbers.h: parameter entries,
#              sensitivity selectors, library options), and kzrversion.h with the versions of
#              the library and the host interface
#   bin/kzr    the command-line host, which finds lib/libkzr.so from its own folder, and
#              bin/kzr-mpi beside it when MPI was found (tools/mpi installs it)
#   lib/cmake/kzr/  the CMake package: find_package(kzr) gives kzr::kzr, kzr::host, kzr::codes
#   lib/pkgconfig/kzr.pc  the same for pkg-config
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The host-interface version has one home, the constant the library reports to its host.
file(STRINGS ${PROJECT_SOURCE_DIR}/CSource/Sources/binding/entrypoints.h KZR_INTERFACE_LINE
     REGEX "constexpr int hostinterfaceversion = [0-9]+")
string(REGEX REPLACE ".*hostinterfaceversion = ([0-9]+).*" "\\1" KZR_HOST_INTERFACE_VERSION
       "${KZR_INTERFACE_LINE}")
if(NOT KZR_HOST_INTERFACE_VERSION MATCHES "^[0-9]+$")
  message(FATAL_ERROR "cannot read hostinterfaceversion from binding/entrypoints.h")
endif()

# The pkg-config file names its prefix relative to itself, so that the prefix may move.
file(RELATIVE_PATH KZR_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" KZR_PC_TO_PREFIX "${KZR_PC_TO_PREFIX}")

set(KZR_GENERATED ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/kzrversion.h.in ${KZR_GENERATED}/kzrversion.h @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/kzr.pc.in ${KZR_GENERATED}/kzr.pc @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/kzrConfig.cmake.in ${KZR_GENERATED}/kzrConfig.cmake
               @ONLY)
write_basic_package_version_file(${KZR_GENERATED}/kzrConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)

set(KZR_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kzr)
set(KZR_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/kzr)

# Installed libraries find their siblings beside themselves; the tool finds them in lib/.
file(RELATIVE_PATH KZR_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(kzr fikzr kzrlink PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(kzrcli PROPERTIES INSTALL_RPATH "$ORIGIN/${KZR_BIN_TO_LIB}")
set_target_properties(kzrhost PROPERTIES EXPORT_NAME host)
set_target_properties(kzrcodes PROPERTIES EXPORT_NAME codes)
set_target_properties(kzrlink PROPERTIES EXPORT_NAME link)
target_compile_definitions(kzrhost PRIVATE KZR_LIBRARY_FROM_PROGRAM="${KZR_BIN_TO_LIB}")
target_include_directories(kzr INTERFACE $<INSTALL_INTERFACE:${KZR_INCLUDE_DIR}>)

install(TARGETS kzr kzrlink kzrhost kzrcodes EXPORT kzrtargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${KZR_INCLUDE_DIR})
install(TARGETS fikzr LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS kzrcli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/CSource/Sources/binding/hostinterface.h
              ${PROJECT_SOURCE_DIR}/platform/host/host.h
              ${PROJECT_SOURCE_DIR}/platform/link/link.h
              ${KZR_GENERATED}/kzrversion.h
        DESTINATION ${KZR_INCLUDE_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/CSource/Sources/binding/codetable.h
              ${PROJECT_SOURCE_DIR}/CSource/Sources/binding/interfacenumbers.h
              ${PROJECT_SOURCE_DIR}/CSource/Sources/binding/codecatalogue.h
        DESTINATION ${KZR_INCLUDE_DIR}/binding)
install(EXPORT kzrtargets NAMESPACE kzr:: DESTINATION ${KZR_PACKAGE_DIR})
install(FILES ${KZR_GENERATED}/kzrConfig.cmake ${KZR_GENERATED}/kzrConfigVersion.cmake
        DESTINATION ${KZR_PACKAGE_DIR})
install(FILES ${KZR_GENERATED}/kzr.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
