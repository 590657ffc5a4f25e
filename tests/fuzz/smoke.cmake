# A short run of every image information fuzz target from CTest, when the fuzz tree has been built
# (VELDRIN_FUZZ_BIN_DIR). New inputs go to a scratch corpus in the build tree, listed first, so that
# the seed folders in the source tree stay as they are.
foreach(name read_bmp read_gif read_jpeg read_png load_tga settings exif html_title names)
    set(scratch ${CMAKE_BINARY_DIR}/fuzz-smoke/${name})
    file(MAKE_DIRECTORY ${scratch})
    add_test(NAME fuzz_smoke_fuzz_${name}
             COMMAND ${VELDRIN_FUZZ_BIN_DIR}/fuzz_${name} -max_total_time=15 ${scratch}
                     ${CMAKE_CURRENT_LIST_DIR}/seeds/${name})
    set_tests_properties(fuzz_smoke_fuzz_${name} PROPERTIES TIMEOUT 120 LABELS fuzz)
endforeach()
