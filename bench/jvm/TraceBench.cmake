# make bench-trace: traced calls to a log file against standard output
# (TraceBench.java), this tree's library beside the library of an earlier
# commit, built from `git archive` in a folder of its own, timed in one JVM.

# The bridge library of an earlier commit, built from `git archive` in
# DIR/before-source and DIR/before-build: DIR/before-build/libVorlanBridge.so.
function(vorlan_bridge_of_commit commit dir)
  add_custom_command(OUTPUT ${dir}/before-build/libVorlanBridge.so
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${dir}/before-source
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/before-source
    COMMAND sh -c "git -C '${CMAKE_SOURCE_DIR}' archive '${commit}' | tar -x -C '${dir}/before-source'"
    COMMAND ${CMAKE_COMMAND} -S ${dir}/before-source -B ${dir}/before-build
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLAN_BUILD_TESTS=OFF -DVORLAN_JAVA_TESTS=OFF
    COMMAND ${CMAKE_COMMAND} --build ${dir}/before-build --target VorlanBridge
    COMMENT "Building the bridge of ${commit} in ${dir}"
    VERBATIM)
endfunction()

set(VORLAN_TRACE_BEFORE f417d8c CACHE STRING "Commit whose library bench-trace compares this tree's with")
set(VORLAN_TRACE_DIR ${CMAKE_BINARY_DIR}/bench-trace)
set(VORLAN_TRACE_BEFORE_LIBRARY ${VORLAN_TRACE_DIR}/before-build/libVorlanBridge.so)
vorlan_bridge_of_commit(${VORLAN_TRACE_BEFORE} ${VORLAN_TRACE_DIR})

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
