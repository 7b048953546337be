#pragma once
#include <string_view>

#include "json/json_parse.h"
#include "platform/types.h"

namespace pindle {

// The texts a JavaScript engine gives for values, which callers of the document rely on.

// JavaScript's Number to text: shortest digits that read back the same, exponent form only when
// the decimal exponent is 21 or more or -7 or less (1e+21, 1e-7, 0.000001).
Text JsNumberText(double number);

// printf's "%.13g", the form in which plain-text reads give numbers.
Text Number13gText(double number);

// Compact JSON text as the classic json2 library writes it: members in order, no spaces, the
// escapes \" \\ \b \t \n \f \r, and \uXXXX (lower-case hex) for the other control and format
// characters. Undefined gives the empty text.
Text JsonStringify(const Json& value);

// What the engine hands back when a value is asked for as text: strings as they are, numbers as
// JsNumberText, booleans as "True" / "False", an object as "[object Object]", an array as its
// elements joined by ",", null and undefined as the empty text.
Text ScriptText(const Json& value);

// The length JavaScript gives a string: UTF-16 code units.
double JsStringLength(std::string_view utf8);

}  // namespace pindle
