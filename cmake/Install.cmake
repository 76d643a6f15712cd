# Install rules and the Debian packages, one per role:
#   libkasdrv1     the driver library (its SONAME), nothing else
#   libkasdrv-dev  kasdrv.h, the unversioned link, kasdrv.pc, the CMake package kasdrv::kasdrv
#   kasmon         the console, its menu entry and icon
#   kasemu         the emulator       kasctl   the command-line host
#   kasd           the HTTP service: program, man page, systemd unit, /etc/kasd
# On Windows: a zip of KASDRV.DLL, its import library, kasdrv.h and kasctl.exe.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KAS_DOCS ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS kasdrv EXPORT kasdrvTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libkasdrv1 NAMELINK_COMPONENT libkasdrv-dev
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT libkasdrv1
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libkasdrv-dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/driver/include/kasdrv.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT libkasdrv-dev)
install(TARGETS kasctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kasctl)

if(NOT WIN32)
  set(cmakedir ${CMAKE_INSTALL_LIBDIR}/cmake/kasdrv)
  install(EXPORT kasdrvTargets NAMESPACE kasdrv:: DESTINATION ${cmakedir} COMPONENT libkasdrv-dev)
  configure_package_config_file(${KAS_DOCS}/kasdrvConfig.cmake.in
    ${PROJECT_BINARY_DIR}/packaging/kasdrvConfig.cmake INSTALL_DESTINATION ${cmakedir})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/packaging/kasdrvConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
  configure_file(${KAS_DOCS}/kasdrv.pc.in ${PROJECT_BINARY_DIR}/packaging/kasdrv.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/kasdrvConfig.cmake
    ${PROJECT_BINARY_DIR}/packaging/kasdrvConfigVersion.cmake
    DESTINATION ${cmakedir} COMPONENT libkasdrv-dev)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/kasdrv.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT libkasdrv-dev)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/libkasdrv-dev COMPONENT libkasdrv-dev OPTIONAL)

  # Manual pages from the programs' own --help, so that they cannot drift apart.
  set(man ${PROJECT_BINARY_DIR}/packaging/man)
  file(MAKE_DIRECTORY ${man})
  set(kasctl_summary "command-line host of the fiscal cash register driver")
  set(kasemu_summary "fiscal cash register emulator on a pseudo-terminal")
  set(programs kasctl)
  if(TARGET kasemu)
    list(APPEND programs kasemu)
  endif()
  foreach(p IN LISTS programs)
    add_custom_command(OUTPUT ${man}/${p}.1.gz
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${p}> -DNAME=${p}
        "-DSUMMARY=${${p}_summary}" -DVERSION=${PROJECT_VERSION} -DOUT=${man}/${p}.1.gz
        -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
      DEPENDS ${p} ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake VERBATIM)
    list(APPEND man_pages ${man}/${p}.1.gz)
    install(FILES ${man}/${p}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${p})
  endforeach()
  add_custom_target(kas_man_pages ALL DEPENDS ${man_pages})
  if(TARGET kasemu)
    install(TARGETS kasemu RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kasemu)
  endif()
  if(TARGET kasmon)
    install(TARGETS kasmon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kasmon)
    install(FILES ${KAS_DOCS}/kasmon.desktop
      DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT kasmon)
    install(FILES ${PROJECT_SOURCE_DIR}/console/resources/kasmon.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps COMPONENT kasmon)
    add_custom_command(OUTPUT ${man}/kasmon.1.gz
      COMMAND gzip -9nc ${KAS_DOCS}/kasmon.1 > ${man}/kasmon.1.gz
      DEPENDS ${KAS_DOCS}/kasmon.1)
    add_custom_target(kas_kasmon_man ALL DEPENDS ${man}/kasmon.1.gz)
    install(FILES ${man}/kasmon.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT kasmon)
  endif()

  # The service: its unit runs it as the system user kasd that the package's
  # postinst makes; its configuration is a conffile under /etc/kasd.
  if(TARGET kasd)
    set(KASD_CONFIG_DIR ${CMAKE_INSTALL_FULL_SYSCONFDIR}/kasd)
    # Debian 12 keeps units in /lib; systemd also reads PREFIX/lib/systemd/system.
    if(DEFINED KAS_SYSTEMD_UNIT_DIR)
    elseif(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
      set(KAS_SYSTEMD_UNIT_DIR /lib/systemd/system)
    else()
      set(KAS_SYSTEMD_UNIT_DIR lib/systemd/system)
    endif()
    configure_file(${KAS_DOCS}/kasd/kasd.service.in ${PROJECT_BINARY_DIR}/packaging/kasd/kasd.service
      @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/packaging/kasd/kasd.service
      DESTINATION ${KAS_SYSTEMD_UNIT_DIR} COMPONENT kasd)
    install(FILES ${KAS_DOCS}/kasd/kasd.conf DESTINATION ${KASD_CONFIG_DIR} COMPONENT kasd)
    # The comN links of the service's serial ports.
    file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging/kasd/devices)
    install(DIRECTORY ${PROJECT_BINARY_DIR}/packaging/kasd/devices
      DESTINATION ${KASD_CONFIG_DIR} COMPONENT kasd)
    add_custom_command(OUTPUT ${man}/kasd.8.gz
      COMMAND gzip -9nc ${KAS_DOCS}/kasd/kasd.8 > ${man}/kasd.8.gz
      DEPENDS ${KAS_DOCS}/kasd/kasd.8)
    add_custom_target(kas_kasd_man ALL DEPENDS ${man}/kasd.8.gz)
    install(FILES ${man}/kasd.8.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man8 COMPONENT kasd)
  endif()

  # Every package carries its copyright and changelog.
  set(changelog ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
  add_custom_command(OUTPUT ${changelog}
    COMMAND gzip -9nc ${KAS_DOCS}/changelog > ${changelog} DEPENDS ${KAS_DOCS}/changelog)
  add_custom_target(kas_changelog ALL DEPENDS ${changelog})
  set(KAS_COMPONENTS libkasdrv1 libkasdrv-dev kasctl)
  if(TARGET kasemu)
    list(APPEND KAS_COMPONENTS kasemu)
  endif()
  if(TARGET kasmon)
    list(APPEND KAS_COMPONENTS kasmon)
  endif()
  if(TARGET kasd)
    list(APPEND KAS_COMPONENTS kasd)
  endif()
  foreach(c IN LISTS KAS_COMPONENTS)
    install(FILES ${KAS_DOCS}/copyright ${changelog}
      DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${c} COMPONENT ${c})
  endforeach()
endif()

# --- packages ---------------------------------------------------------------------
set(CPACK_PACKAGE_NAME kasdrv)
set(CPACK_PACKAGE_VENDOR "kasdrv developers")
set(CPACK_PACKAGE_CONTACT "kasdrv developers <kasdrv@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
if(WIN32)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Service tools for the RX-410F and RX-520L fiscal cash registers")
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME kasdrv-${PROJECT_VERSION}-win64)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_PACKAGE_FILE_NAME kasdrv-${PROJECT_VERSION}-win32)
  endif()
  set(CPACK_COMPONENTS_ALL libkasdrv1 libkasdrv-dev kasctl)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL ${KAS_COMPONENTS})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # Each package's description below is its summary line, then the long
  # description (CPack indents it); a project-wide
  # CPACK_PACKAGE_DESCRIPTION_SUMMARY would be put above it.
  # The programs find libkasdrv.so.1 in the library's own package directory.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/bin)

  set(CPACK_DEBIAN_LIBKASDRV1_PACKAGE_NAME libkasdrv1)
  set(CPACK_DEBIAN_LIBKASDRV1_PACKAGE_SECTION libs)
  # The library's package says which package provides libkasdrv.so.1 (shlibs) and
  # has ldconfig run through its trigger rather than from maintainer scripts.
  configure_file(${KAS_DOCS}/libkasdrv1/shlibs.in ${PROJECT_BINARY_DIR}/packaging/libkasdrv1/shlibs @ONLY)
  set(CPACK_DEBIAN_LIBKASDRV1_PACKAGE_CONTROL_EXTRA
    "${PROJECT_BINARY_DIR}/packaging/libkasdrv1/shlibs;${KAS_DOCS}/libkasdrv1/triggers")
  set(CPACK_DEBIAN_LIBKASDRV1_DESCRIPTION "fiscal cash register driver - shared library
The driver of the RX-410F and RX-520L fiscal cash registers: a flat C
interface of FP functions that frame the register's serial protocol, check
checksums, retry and turn the register's status into Russian texts.")
  set(CPACK_DEBIAN_LIBKASDRV-DEV_PACKAGE_NAME libkasdrv-dev)
  set(CPACK_DEBIAN_LIBKASDRV-DEV_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_LIBKASDRV-DEV_PACKAGE_DEPENDS "libkasdrv1 (= ${PROJECT_VERSION}-1)")
  set(CPACK_DEBIAN_LIBKASDRV-DEV_DESCRIPTION "fiscal cash register driver - development files
kasdrv.h, the link library, a pkg-config file (pkg-config kasdrv) and a
CMake package (find_package(kasdrv), target kasdrv::kasdrv) for programs
that drive the RX-410F and RX-520L fiscal cash registers.")
  set(CPACK_DEBIAN_KASMON_PACKAGE_NAME kasmon)
  # The driver is found in the build tree, not as a package, so its dependency is named here.
  set(CPACK_DEBIAN_KASMON_PACKAGE_DEPENDS "libkasdrv1 (>= ${PROJECT_VERSION})")
  set(CPACK_DEBIAN_KASMON_DESCRIPTION "fiscal cash register service console
A Qt window with eight pages through which a service engineer drives every
function of the RX-410F and RX-520L fiscal cash registers. Russian texts.")
  set(CPACK_DEBIAN_KASEMU_PACKAGE_NAME kasemu)
  set(CPACK_DEBIAN_KASEMU_DESCRIPTION "fiscal cash register emulator
Serves the register's side of the serial protocol of the RX-410F and
RX-520L on a pseudo-terminal, with register state, a virtual paper tape
and fault injection, for rehearsals, tests and demonstrations.")
  set(CPACK_DEBIAN_KASCTL_PACKAGE_NAME kasctl)
  set(CPACK_DEBIAN_KASCTL_PACKAGE_DEPENDS "libkasdrv1 (>= ${PROJECT_VERSION})")
  set(CPACK_DEBIAN_KASD_PACKAGE_NAME kasd)
  set(CPACK_DEBIAN_KASD_PACKAGE_SECTION admin)
  set(CPACK_DEBIAN_KASD_PACKAGE_DEPENDS "libkasdrv1 (>= ${PROJECT_VERSION}), adduser")
  # The unit, the user and the state folder are handled as debhelper would:
  # enabled on installation, started only where systemd runs, purged on purge.
  set(CPACK_DEBIAN_KASD_PACKAGE_CONTROL_EXTRA
    "${KAS_DOCS}/kasd/conffiles;${KAS_DOCS}/kasd/postinst;${KAS_DOCS}/kasd/prerm;${KAS_DOCS}/kasd/postrm")
  set(CPACK_DEBIAN_KASD_DESCRIPTION "fiscal cash register HTTP service
Serves the RX-410F and RX-520L fiscal cash registers over HTTP with JSON,
with a journal of requests so that a shop program's retry never prints a
receipt twice, and a status page for a browser. Runs as the systemd
service kasd.service under its own system user.")
  set(CPACK_DEBIAN_KASCTL_DESCRIPTION "fiscal cash register command-line host
One subcommand per function of the RX-410F and RX-520L fiscal cash
registers, through the kasdrv driver; says why a port cannot be opened.")
endif()
include(CPack)
