#pragma once
#include <string>

// A number typed into an edit box, read as atoi reads it (leading blanks, a sign, digits; nothing
// numeric gives 0) once full-width characters have become their ASCII forms. Values beyond the
// int range saturate instead of wrapping.
int ReadNumber(const std::string& gbkText);
