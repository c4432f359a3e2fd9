# Writes the demo files into one C++ include as a raw string literal.
string(REPLACE "|" ";" DEMO "${DEMO}")
set(demo "")
foreach(file ${DEMO})
  file(READ ${file} text)
  string(APPEND demo "${text}\n")
endforeach()
file(WRITE ${OUTPUT} "// Generated from tools/kzr/demo; do not edit.\n")
file(APPEND ${OUTPUT} "static const char embeddeddemo[] = R\"kzrtext(${demo})kzrtext\";\n")
