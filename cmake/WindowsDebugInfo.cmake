# The debug information of every program and DLL of the Windows build goes
# to a file of its own beside it (zephautomat.exe.debug, named by the
# binary's .gnu_debuglink), and the binary keeps none. mingw-w64 aligns a PE
# file's sections to 512 bytes, which the loader cannot map page by page: it
# reads the whole image, DWARF sections included, at every start. With them,
# zephautomat.exe was 34 MB and started in about 0.35 s under Wine; without
# them it is about 1 MB and starts in 0.15 s, which roughly halves the
# black-box suites under Wine, where a test starts several programs.
# Included before any target: the link rules below are what every directory
# inherits.
if(NOT CMAKE_OBJCOPY)
  message(FATAL_ERROR "no objcopy for the Windows build's debug files")
endif()
set(ZEPH_SPLIT_DEBUG_INFO
    "${CMAKE_OBJCOPY} --only-keep-debug <TARGET> <TARGET>.debug"
    "${CMAKE_OBJCOPY} --strip-debug --add-gnu-debuglink=<TARGET>.debug <TARGET>")
foreach(language C CXX)
  foreach(rule LINK_EXECUTABLE CREATE_SHARED_LIBRARY CREATE_SHARED_MODULE)
    list(APPEND CMAKE_${language}_${rule} ${ZEPH_SPLIT_DEBUG_INFO})
  endforeach()
endforeach()
