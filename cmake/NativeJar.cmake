# The class jar with one platform's library and its SHA-256 under
# META-INF/native/<platform>/, laid out as the release jar holds them, for the
# loader's tests:
# cmake -DJAR=<jar tool> -DCLASSES=<class jar> -DLIBRARY=<library> -DPLATFORM=<platform>
#       -DVERSION=<version> -DOUTPUT=<jar> -P NativeJar.cmake
get_filename_component(name ${LIBRARY} NAME)
set(stage ${OUTPUT}.stage)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage}/META-INF/native/${PLATFORM})
file(COPY ${LIBRARY} DESTINATION ${stage}/META-INF/native/${PLATFORM})
file(SHA256 ${LIBRARY} checksum)
file(WRITE ${stage}/META-INF/native/${PLATFORM}/${name}.sha256 "${checksum}  ${name}\n")
file(WRITE ${stage}/version.mf "Implementation-Version: ${VERSION}\n")
file(COPY_FILE ${CLASSES} ${OUTPUT})
execute_process(COMMAND ${JAR} --update --file ${OUTPUT} --manifest ${stage}/version.mf
                  -C ${stage} META-INF/native
                RESULT_VARIABLE status)
file(REMOVE_RECURSE ${stage})
if(NOT status EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "jar --update ${OUTPUT} failed")
endif()
