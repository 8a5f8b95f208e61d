# Writes a C++ source that defines `const char* const qxsim::<SYMBOL>` holding
# the text of the file IN, so qxsim carries its bundled files with it.
# Usage: cmake -DIN=file -DOUT=file.cpp -DSYMBOL=name -P embed_text.cmake
file(READ "${IN}" content)
file(WRITE "${OUT}"
  "// Generated from ${IN}; do not edit.\n"
  "namespace qxsim {\n"
  "extern const char* const ${SYMBOL};\n"
  "const char* const ${SYMBOL} = R\"qxsim_embedded(${content})qxsim_embedded\";\n"
  "}  // namespace qxsim\n")
