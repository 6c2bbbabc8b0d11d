# build-windows/Brovask/ and build-windows/Brovask-<version>-win64.zip: the
# game, its engine and data (with the window icon), xmrender, SDL2.dll, and the notices when the
# repository has them.
set(BROVASK_PACKAGE_ROOT ${CMAKE_BINARY_DIR} CACHE PATH "where Brovask/ and the zip are made")
set(package ${BROVASK_PACKAGE_ROOT}/Brovask)
set(zip ${BROVASK_PACKAGE_ROOT}/Brovask-${PROJECT_VERSION}-win64.zip)

set(data_files)
foreach(name data.pak engine.pak sound.pak icon.png)
  add_custom_command(OUTPUT ${BROVASK_DATA_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${BROVASK_HOST_BUILD}/data/${name} ${BROVASK_DATA_DIR}/${name}
    DEPENDS ${BROVASK_HOST_BUILD}/data/${name}
    VERBATIM)
  list(APPEND data_files ${BROVASK_DATA_DIR}/${name})
endforeach()
add_custom_target(windows_data ALL DEPENDS ${data_files})

get_target_property(sdl_dll SDL2::SDL2 IMPORTED_LOCATION_RELEASE)
if(NOT sdl_dll)
  get_target_property(sdl_dll SDL2::SDL2 IMPORTED_LOCATION)
endif()
set(notices)
foreach(name LICENSE THIRD_PARTY THIRD_PARTY.md LICENSE.md)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${name})
    list(APPEND notices ${CMAKE_SOURCE_DIR}/${name})
  endif()
endforeach()

add_custom_command(OUTPUT ${zip}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${package} ${zip}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${package}/data
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:brovask> $<TARGET_FILE:xmrender> ${sdl_dll} ${notices} ${package}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:halvex> ${data_files} ${package}/data
  COMMAND sh ${CMAKE_SOURCE_DIR}/tools/pack_zip.sh ${BROVASK_PACKAGE_ROOT} Brovask ${zip} ${BROVASK_SOURCE_DATE_EPOCH}
  DEPENDS brovask xmrender halvex ${data_files} ${sdl_dll} ${notices}
  COMMENT "Packing Brovask/ and Brovask-${PROJECT_VERSION}-win64.zip"
  VERBATIM)
add_custom_target(windows_package ALL DEPENDS ${zip})
add_dependencies(brovask windows_icon)
