# cmake -DINPUT=file -DOUTPUT=file.cpp -P embed_bytes.cmake
# Writes the bytes of INPUT as the array behind BackgroundTune().
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp
  "// Generated from background_tune.mid by cmake/embed_bytes.cmake; do not edit.\n"
  "#include <cstddef>\n#include <cstdint>\n\n"
  "namespace tilvane {\n"
  "extern const std::uint8_t kBackgroundTuneBytes[] = {\n${bytes}\n};\n"
  "extern const std::size_t kBackgroundTuneSize = ${size};\n"
  "}  // namespace tilvane\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
