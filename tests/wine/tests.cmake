# Wine tier: the real Windows program under Wine inside Xvfb, driven by tests/wine/lib.sh.
# Slow (every Wine process start is emulated on this machine), so generous time-outs; the tests
# share one prefix and never run two at a time (resource lock "wine"). A script exits 77 only
# when Wine is missing and KOLVANE_ALLOW_NO_WINE=1, which ctest then reports as skipped.
function(kolvane_add_wine_test name script)
  add_test(NAME ${name} COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/${script} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT 3600
    RESOURCE_LOCK wine
    SKIP_RETURN_CODE 77
    LABELS wine
    ENVIRONMENT "WINE_RUN_DIR=${CMAKE_BINARY_DIR}/wine-run;KOLVANE_BUILD=${CMAKE_BINARY_DIR}")
endfunction()

kolvane_add_wine_test(wine_selftest selftest.sh)

# Whole runs of the built stub as a self-extractor; it fails when the stub has not been built.
kolvane_add_wine_test(wine_sfx_cases sfx-cases.sh ${KOLVANE_WIN_BUILD}/kolvane95.exe)
kolvane_add_wine_test(wine_config_unreadable config-unreadable.sh ${KOLVANE_WIN_BUILD}/kolvane95.exe)

# kolvane-make.exe under Wine against the Linux builder on the same tree.
kolvane_add_wine_test(wine_make_exe make-exe.sh ${KOLVANE_WIN_BUILD} ${CMAKE_BINARY_DIR})

# The decoder as compiled for the stub, on its path for every processor and its path for
# later ones.
kolvane_add_wine_test(wine_decoder_paths decoder-paths.sh ${KOLVANE_WIN_BUILD} ${CMAKE_BINARY_DIR})
