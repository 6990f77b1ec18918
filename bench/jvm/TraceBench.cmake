# make bench-trace: traced calls to a log file against standard output
# (TraceBench.java), this tree's library beside the library of an earlier
# commit, built from `git archive` in a folder of its own, timed in one JVM.
set(VORLAN_TRACE_BEFORE f417d8c CACHE STRING "Commit whose library bench-trace compares this tree's with")
set(VORLAN_TRACE_DIR ${CMAKE_BINARY_DIR}/bench-trace)
set(VORLAN_TRACE_BEFORE_LIBRARY ${VORLAN_TRACE_DIR}/before-build/libVorlanBridge.so)

add_custom_command(OUTPUT ${VORLAN_TRACE_BEFORE_LIBRARY}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${VORLAN_TRACE_DIR}/before-source
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VORLAN_TRACE_DIR}/before-source
  COMMAND sh -c "git -C '${CMAKE_SOURCE_DIR}' archive '${VORLAN_TRACE_BEFORE}' | tar -x -C '${VORLAN_TRACE_DIR}/before-source'"
  COMMAND ${CMAKE_COMMAND} -S ${VORLAN_TRACE_DIR}/before-source -B ${VORLAN_TRACE_DIR}/before-build
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLAN_BUILD_TESTS=OFF -DVORLAN_JAVA_TESTS=OFF
  COMMAND ${CMAKE_COMMAND} --build ${VORLAN_TRACE_DIR}/before-build --target VorlanBridge
  COMMENT "Building the bridge of ${VORLAN_TRACE_BEFORE} for bench-trace"
  VERBATIM)

add_custom_target(bench-trace
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VORLAN_TRACE_DIR}/files
  COMMAND sh -c "exec \"$0\" \"$@\" >>'${VORLAN_TRACE_DIR}/files/stdout.txt'"
    ${Java_JAVA_EXECUTABLE} -Xms512m -Xmx512m -cp ${VORLAN_JVM_BENCH_CLASSPATH} TraceBench
    --before ${VORLAN_TRACE_BEFORE_LIBRARY} --after $<TARGET_FILE:VorlanBridge>
    --engine $<TARGET_FILE:VorlanBenchEngine> --dir ${VORLAN_TRACE_DIR}/files
    --stdout ${VORLAN_TRACE_DIR}/files/stdout.txt --out ${CMAKE_BINARY_DIR}/bench-trace.md
  DEPENDS VorlanJvmBench ${VORLAN_TRACE_BEFORE_LIBRARY}
  USES_TERMINAL
  VERBATIM)
