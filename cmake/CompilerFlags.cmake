# One interface target carries the project's flags, so every target of ours gets the same ones.
add_library(tressel_flags INTERFACE)
target_compile_options(tressel_flags INTERFACE
  -Wall -Wextra -Wpedantic
  # Results must equal the written arithmetic bit for bit: no fused multiply-add, no fast-math.
  -ffp-contract=off
)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "" FORCE)
endif()

if(TRESSEL_SANITIZE)
  set(TRESSEL_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_compile_options(tressel_flags INTERFACE ${TRESSEL_SANITIZER_FLAGS})
  target_link_options(tressel_flags INTERFACE ${TRESSEL_SANITIZER_FLAGS})
endif()
