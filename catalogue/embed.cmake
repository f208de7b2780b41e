# Turns the catalogue text into a source file of bytes: an array has no
# length limit, where a string literal has one in some compilers.
#   cmake -DINPUT=startup-programs.txt -DOUTPUT=CatalogueText.cpp -P embed.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Lines of 32 bytes keep the file readable to editors and diffs.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
  "// Made by catalogue/embed.cmake from catalogue/startup-programs.txt; do not edit.\n"
  "#include \"catalogue/Catalogue.h\"\n\n"
  "const unsigned char CatalogueText[] = {\n${bytes}0};\n"
  "const std::size_t CatalogueTextSize = ${size};\n")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
