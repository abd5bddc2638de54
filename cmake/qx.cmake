# Helpers shared by the folder CMakeLists.
#
# qx_library(NAME [QT] [DEPS ...]): a static library of every *.cpp in the
# current folder (Qt-free unless QT is given; then only built with QX_WITH_QT).
# Files ending in _win32.cpp are built only on Windows, _posix.cpp only elsewhere.
# Files ending in _qt.cpp or the folder's "ui" part belong to the QT library.
function(qx_collect_sources out)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(result "")
  foreach(f ${srcs})
    if(f MATCHES "_win32\\.cpp$" AND NOT WIN32)
      continue()
    endif()
    if(f MATCHES "_posix\\.cpp$" AND WIN32)
      continue()
    endif()
    if(f MATCHES "/main\\.cpp$")
      continue()
    endif()
    list(APPEND result ${f})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# qx_test(NAME SOURCES... DEPS ... [QT] [REALTIME]): one GoogleTest executable whose
# tests are registered one by one with CTest. Qt tests run on the offscreen platform.
# REALTIME: the tests of suites whose name ends in "Realtime" measure real time; they
# carry the label realtime and run alone (RUN_SERIAL).
function(qx_test name)
  cmake_parse_arguments(T "QT;REALTIME" "" "SOURCES;DEPS" ${ARGN})
  if(T_QT AND NOT QX_WITH_QT)
    return()  # Qt suites are not built without Qt (the ThreadSanitizer build)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_DEPS} GTest::gtest GTest::gmock Threads::Threads)
  if(T_QT)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/qt_test_main.cpp)
    target_link_libraries(${name} PRIVATE Qt6::Widgets)
    set(label qt)
    if(WIN32)
      # Qt for Windows lacks the offscreen platform (see tests/support/qt_test_main.cpp).
      set(env ENVIRONMENT "QT_QPA_PLATFORM=minimal:enable_fonts")
    else()
      set(env ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
    set(label qtfree)
    set(env "")
  endif()
  # Backups the programs make under test go to the build tree, not the user's folder.
  list(APPEND env ENVIRONMENT_MODIFICATION "QX310_BACKUP_DIR=set:${PROJECT_BINARY_DIR}/test-backups")
  set(filter "*")
  set(realtime "*Realtime.*")
  if(WIN32)
    # The suites' own simulator needs a pseudo-terminal; on Windows the device paths are
    # tested against native simulators on COM ports instead (tests/win32, scripts/test-win64).
    # The GUI's device suites are covered there by the end-to-end run of qx310-tools.exe.
    set(pty "Device.*:DeviceTest.*:ChannelDeviceTest.*:RecordsDevice.*:DebugDeviceTest.*:DeviceDownloadTest.*")
    string(APPEND pty ":*DeviceStopTest.*:MainWindowTest.*:MainWindowRealtime.*")
    set(filter "-${pty}")
    set(realtime "*Realtime.*-${pty}")
  endif()
  if(T_REALTIME)
    set(filter "-*Realtime.*")
    if(WIN32)
      string(APPEND filter ":${pty}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_FILTER "${realtime}"
      PROPERTIES LABELS realtime RUN_SERIAL TRUE ${env} TIMEOUT 300)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_FILTER "${filter}"
    PROPERTIES LABELS ${label} ${env} TIMEOUT 300)
endfunction()

# qx_add_library(NAME [QT] DEPS ...): a static library of the current folder's sources.
# A folder without sources yet gives an INTERFACE library so that dependants still link.
function(qx_add_library name)
  cmake_parse_arguments(L "QT" "" "DEPS" ${ARGN})
  qx_collect_sources(srcs)
  file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(srcs)
    add_library(${name} STATIC ${srcs} ${hdrs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${L_DEPS} Threads::Threads)
    if(L_QT)
      target_link_libraries(${name} PUBLIC Qt6::Widgets)
    endif()
  else()
    add_library(${name} INTERFACE ${hdrs})
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${L_DEPS} Threads::Threads)
    if(L_QT)
      target_link_libraries(${name} INTERFACE Qt6::Widgets)
    endif()
  endif()
endfunction()
