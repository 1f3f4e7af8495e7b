# The Windows exe's resources: the icon and the manifest (packaging/valdorik.rc.in).
# The icon is the asset builder's, which runs on the building machine: given
# VALDORIK_ICON_DIR (a native build's icons/, as scripts/windows-zip.sh
# passes), that one is taken; otherwise this build makes the asset builder
# for the building machine in native-tools/ and runs it.
set(VALDORIK_ICON_DIR "" CACHE PATH "A native build's icons/ folder holding valdorik.ico (empty: made here)")
if(VALDORIK_ICON_DIR)
  set(VALDORIK_ICO ${VALDORIK_ICON_DIR}/valdorik.ico)
  if(NOT EXISTS ${VALDORIK_ICO})
    message(FATAL_ERROR "VALDORIK_ICON_DIR=${VALDORIK_ICON_DIR} holds no valdorik.ico: build the native game's "
                        "assets first (cmake --build build --target game_assets), or leave it empty")
  endif()
else()
  set(native_tools ${CMAKE_BINARY_DIR}/native-tools)
  set(VALDORIK_ICO ${native_tools}/icons/valdorik.ico)
  file(GLOB_RECURSE icon_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/*.txt ${CMAKE_SOURCE_DIR}/tools/assetgen/*)
  # A fresh environment: the cross toolchain's variables must not reach the native build.
  add_custom_command(
    OUTPUT ${VALDORIK_ICO}
    COMMAND ${CMAKE_COMMAND} -E env --unset=CC --unset=CXX
            ${CMAKE_COMMAND} -S ${CMAKE_SOURCE_DIR} -B ${native_tools} -DCMAKE_BUILD_TYPE=Release
            -DVALDORIK_BACKEND=none -DVALDORIK_TESTS=OFF -DVALDORIK_BENCH=OFF
    COMMAND ${CMAKE_COMMAND} --build ${native_tools} --target game_assets
    DEPENDS ${icon_sources}
    COMMENT "Building the asset builder for this machine and the icon with it, in ${native_tools}"
    VERBATIM)
endif()
configure_file(${CMAKE_SOURCE_DIR}/packaging/valdorik.rc.in ${CMAKE_BINARY_DIR}/valdorik.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/valdorik.rc PROPERTIES
  OBJECT_DEPENDS "${VALDORIK_ICO};${CMAKE_SOURCE_DIR}/packaging/valdorik.exe.manifest")
