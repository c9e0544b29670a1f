# Writes page.html into a C++ source file as one raw string literal, so the
# page is built into the program: cmake -DINPUT=page.html -DOUTPUT=page.cpp -P embed_page.cmake
file(READ "${INPUT}" page)
string(FIND "${page}" ")tarnixpage\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} holds the literal's own end marker")
endif()
file(WRITE "${OUTPUT}.new" "// Made from page.html by embed_page.cmake; edit page.html instead.
#include \"tarnixmap/server/page.h\"

namespace tarnix {

std::string_view designer_page() {
  return R\"tarnixpage(${page})tarnixpage\";
}

}  // namespace tarnix
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
