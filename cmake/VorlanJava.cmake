# Java compiler for the class and its generated JNI header, and the JNI include
# directories for both builds. The Windows build takes jni.h from the JDK and
# its machine header from cmake/win32.
find_package(Java 11 REQUIRED COMPONENTS Development)
include(UseJava)

get_filename_component(_vorlan_javac "${Java_JAVAC_EXECUTABLE}" REALPATH)
get_filename_component(VORLAN_JDK_HOME "${_vorlan_javac}" DIRECTORY)
get_filename_component(VORLAN_JDK_HOME "${VORLAN_JDK_HOME}" DIRECTORY)
if(NOT EXISTS "${VORLAN_JDK_HOME}/include/jni.h")
  message(FATAL_ERROR "jni.h not found under ${VORLAN_JDK_HOME}/include: install a JDK (scripts/bootstrap)")
endif()
# The newest JDK (25), where one is installed beside the default one: make test
# runs the JUnit suite under it too. Found by the release file of each JDK in
# the system's JVM folder.
set(VORLAN_JDK25_JAVA "")
if(NOT WIN32)
  file(GLOB _vorlan_jdk_releases /usr/lib/jvm/*/release)
  foreach(release IN LISTS _vorlan_jdk_releases)
    file(STRINGS "${release}" _vorlan_jdk_version REGEX "^JAVA_VERSION=\"25[.\"]")
    get_filename_component(_vorlan_jdk_home "${release}" DIRECTORY)
    if(_vorlan_jdk_version AND EXISTS "${_vorlan_jdk_home}/bin/java")
      set(VORLAN_JDK25_JAVA "${_vorlan_jdk_home}/bin/java")
      break()
    endif()
  endforeach()
  if(NOT VORLAN_JDK25_JAVA)
    message(STATUS "No JDK 25 in /usr/lib/jvm: the JUnit suite runs under the default JDK only")
  endif()
endif()

if(WIN32)
  set(JNI_INCLUDE_DIRS "${VORLAN_JDK_HOME}/include" "${CMAKE_SOURCE_DIR}/cmake/win32")
else()
  set(JNI_INCLUDE_DIRS "${VORLAN_JDK_HOME}/include" "${VORLAN_JDK_HOME}/include/linux")
endif()
