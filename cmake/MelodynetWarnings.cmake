# Compiler settings shared by every target of the project.
add_library(melodynet_flags INTERFACE)
target_compile_options(melodynet_flags INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra>
  $<$<AND:$<CXX_COMPILER_ID:GNU,Clang>,$<BOOL:${MELODYNET_WERROR}>>:-Werror>
  $<$<CXX_COMPILER_ID:MSVC>:/W4 /utf-8>
  $<$<AND:$<CXX_COMPILER_ID:MSVC>,$<BOOL:${MELODYNET_WERROR}>>:/WX>)

# Numeric code: plain double arithmetic in the written order, no fused
# multiply-add chosen by the compiler, so results match on every build.
add_library(melodynet_fp INTERFACE)
target_compile_options(melodynet_fp INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang>:-ffp-contract=off>
  $<$<CXX_COMPILER_ID:MSVC>:/fp:precise>)

if(MELODYNET_SANITIZE)
  target_compile_options(melodynet_flags INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(melodynet_flags INTERFACE -fsanitize=address,undefined)
endif()
