# build-web/Brovask/ and build-web/Brovask-<version>-web.zip: the page, the
# game as a wasm main module (brovask.js, brovask.wasm) and its preloaded
# files (brovask.data: the engine module data/halvex.dll, the three packs and
# the icon); and xmrender.js, the music player's command-line renderer for
# node, which the tests compare with the native one.
set(BROVASK_PACKAGE_ROOT ${CMAKE_BINARY_DIR} CACHE PATH "where Brovask/ and the zip are made")
set(package ${BROVASK_PACKAGE_ROOT}/Brovask)
set(zip ${BROVASK_PACKAGE_ROOT}/Brovask-${PROJECT_VERSION}-web.zip)
set(stage ${CMAKE_BINARY_DIR}/stage)

set(data_files)
foreach(name data.pak engine.pak sound.pak icon.png)
  add_custom_command(OUTPUT ${stage}/data/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${BROVASK_HOST_BUILD}/data/${name} ${stage}/data/${name}
    DEPENDS ${BROVASK_HOST_BUILD}/data/${name}
    VERBATIM)
  list(APPEND data_files ${stage}/data/${name})
endforeach()
# The game exports exactly what the engine module imports, and carries the
# JavaScript helpers SDL's own JavaScript calls.
add_custom_command(OUTPUT ${stage}/data/halvex.dll ${CMAKE_BINARY_DIR}/engine_imports.json
                          ${CMAKE_BINARY_DIR}/engine_library.json
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:halvex> ${stage}/data/halvex.dll
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/wasm_imports.py $<TARGET_FILE:halvex>
          ${CMAKE_BINARY_DIR}/engine_imports.json ${CMAKE_BINARY_DIR}/engine_library.json
          $autoResumeAudioContext $dynCall
  DEPENDS halvex ${CMAKE_SOURCE_DIR}/tools/wasm_imports.py
  VERBATIM)
add_custom_target(web_stage DEPENDS ${data_files} ${stage}/data/halvex.dll ${CMAKE_BINARY_DIR}/engine_imports.json)

set(web_libs ${BROVASK_WEB_PREFIX}/lib/libSDL2.a ${BROVASK_WEB_PREFIX}/lib/libpng16.a
             ${BROVASK_WEB_PREFIX}/lib/libz.a)
target_link_options(brovask PRIVATE -sMAIN_MODULE=2 -sEXPORTED_FUNCTIONS=@${CMAKE_BINARY_DIR}/engine_imports.json
  -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_BINARY_DIR}/engine_library.json
  -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web --preload-file ${stage}/data@/data)
target_link_libraries(brovask PRIVATE ${web_libs})
add_dependencies(brovask web_stage)
set_property(TARGET brovask APPEND PROPERTY LINK_DEPENDS ${CMAKE_BINARY_DIR}/engine_imports.json ${data_files}
  ${stage}/data/halvex.dll)

# xmrender for node: the files it names are the machine's own.
set_property(TARGET xmrender PROPERTY LINK_OPTIONS -sNODERAWFS=1 -sENVIRONMENT=node -sEXIT_RUNTIME=1
  -sWASM_ASYNC_COMPILATION=0 -sALLOW_MEMORY_GROWTH=1 -Wl,--gc-sections)

set(page ${CMAKE_SOURCE_DIR}/dist/web/index.html)
add_custom_command(OUTPUT ${zip}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${package} ${zip}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${package}
  COMMAND ${CMAKE_COMMAND} -E copy ${page} $<TARGET_FILE:brovask> $<TARGET_FILE_DIR:brovask>/brovask.wasm
          $<TARGET_FILE_DIR:brovask>/brovask.data ${stage}/data/icon.png ${package}
  COMMAND ${CMAKE_COMMAND} -E chdir ${BROVASK_PACKAGE_ROOT} ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip Brovask
  DEPENDS brovask ${page} ${stage}/data/icon.png
  COMMENT "Packing Brovask/ and Brovask-${PROJECT_VERSION}-web.zip"
  VERBATIM)
add_custom_target(web_package ALL DEPENDS ${zip})
