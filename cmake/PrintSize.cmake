# Prints the size of a built file: cmake -DFILE=path -DLABEL=text -P PrintSize.cmake
file(SIZE "${FILE}" size)
get_filename_component(name "${FILE}" NAME)
math(EXPR kib "(${size} + 512) / 1024")
message(STATUS "${name} (${LABEL}): ${size} bytes (${kib} KiB)")
