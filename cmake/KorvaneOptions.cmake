# One INTERFACE target carries the options every Korvane target links.
add_library(korvane_options INTERFACE)
target_compile_features(korvane_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(korvane_options INTERFACE -Wall -Wextra -Wnon-virtual-dtor -Wold-style-cast)
target_compile_definitions(korvane_options INTERFACE QT_NO_CAST_FROM_ASCII)
if(KORVANE_FUZZ)
    # Everything the fuzzers link is instrumented for coverage and checked.
    target_compile_options(korvane_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    target_link_options(korvane_options INTERFACE -fsanitize=address,undefined)
endif()
if(KORVANE_SANITIZE)
    target_compile_options(korvane_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(korvane_options INTERFACE -fsanitize=address,undefined)
endif()

# Sources of a folder's library: every .cpp and .h directly inside it.
function(korvane_folder_sources out_var)
    file(GLOB _sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    set(${out_var} ${_sources} PARENT_SCOPE)
endfunction()

# Project headers are included by their path from the root: "engine/process_snapshot.h".
target_include_directories(korvane_options INTERFACE ${PROJECT_SOURCE_DIR})
