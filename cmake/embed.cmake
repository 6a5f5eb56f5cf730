# Writes OUT, a C++ source that holds the bytes of X86, X64 and ARM64 as the
# builder's templates. Run with cmake -P.
function(embed name file out)
  file(READ ${file} hex HEX)
  string(LENGTH "${hex}" length)
  math(EXPR size "${length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
  file(APPEND ${out} "extern const uint8_t ${name}[] = {\n${bytes}};\nextern const size_t ${name}_SIZE = ${size};\n")
endfunction()
file(WRITE ${OUT} "#include \"templates.h\"\n")
embed(TEMPLATE_X86 ${X86} ${OUT})
embed(TEMPLATE_X64 ${X64} ${OUT})
embed(TEMPLATE_ARM64 ${ARM64} ${OUT})
