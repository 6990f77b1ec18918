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
if(WIN32)
  set(JNI_INCLUDE_DIRS "${VORLAN_JDK_HOME}/include" "${CMAKE_SOURCE_DIR}/cmake/win32")
else()
  set(JNI_INCLUDE_DIRS "${VORLAN_JDK_HOME}/include" "${VORLAN_JDK_HOME}/include/linux")
endif()
