# Writes a C++ source file holding files' bytes exactly as they are on disk.
#   cmake -DOUTPUT=out.cc -DNAMESPACE=ns -DDIR=folder -DFILES=a.png,b-c.png -P embed-files.cmake
# Each file becomes `extern const std::span<const std::uint8_t> a_png` (its
# name with '-' and '.' as '_') in the namespace, over an array of its bytes.
foreach(var OUTPUT NAMESPACE DIR FILES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed-files: ${var} is not set")
  endif()
endforeach()

string(REPLACE "," ";" files "${FILES}")
set(text "// Written by cmake/embed-files.cmake at build time; do not edit.\n")
string(APPEND text "#include <cstdint>\n#include <span>\n\nnamespace ${NAMESPACE} {\n")
foreach(file IN LISTS files)
  string(MAKE_C_IDENTIFIER "${file}" name)
  file(READ "${DIR}/${file}" hex HEX)
  if(hex STREQUAL "")
    message(FATAL_ERROR "embed-files: ${DIR}/${file} is empty")
  endif()
  # Sixteen bytes a line.
  string(REGEX REPLACE "(................................)" "\\1\n  " hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND text "\nnamespace {\n// ${file}\nconst unsigned char ${name}_bytes[] = {\n  ${bytes}\n};\n}  // namespace\n")
  string(APPEND text "extern const std::span<const std::uint8_t> ${name}(${name}_bytes, sizeof ${name}_bytes);\n")
endforeach()
string(APPEND text "\n}  // namespace ${NAMESPACE}\n")
file(WRITE "${OUTPUT}" "${text}")
