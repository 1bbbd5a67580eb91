# The Windows program, its host services and the tests that run under Wine.
enable_language(RC)

# Static, so the exe needs only system DLLs; no timestamp, so two builds give the same bytes;
# stripped, since a player has no use for the static runtime's symbols.
set(VARNHOLT_WIN32_LINK_OPTIONS -s -static -static-libgcc -static-libstdc++
    -Wl,--nxcompat -Wl,--dynamicbase -Wl,--no-insert-timestamp)

add_library(host_win32 STATIC host/host_win32.cpp)
target_link_libraries(host_win32 PUBLIC regcore advapi32)
target_compile_options(host_win32 PRIVATE ${VARNHOLT_WARNINGS})

include(app/sources.cmake)
add_executable(VarnholtRegTool WIN32 ${VARNHOLT_APP_SOURCES})
target_link_libraries(VarnholtRegTool PRIVATE host_win32 ${VARNHOLT_APP_LIBRARIES})
target_compile_options(VarnholtRegTool PRIVATE ${VARNHOLT_WARNINGS})
target_link_options(VarnholtRegTool PRIVATE ${VARNHOLT_WIN32_LINK_OPTIONS})

add_subdirectory(tests/win32)

# The player's download: the exe and a short Chinese guide, zipped by
# `cmake --build --preset win32 --target package`.
install(TARGETS VarnholtRegTool RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/docs/使用说明.txt DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME VarnholtRegTool-1.0.0)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)

# The benchmark programs and the `bench` target that runs them (not part of ctest).
add_subdirectory(bench)
