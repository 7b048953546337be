#pragma once
#include <map>
#include <vector>

#include "config/plugin_field.h"
#include "platform/types.h"
#include "plugins/plugin_definition.h"

namespace pindle {

// Where a text of the plug-in file goes, which decides how a value is written into it.
enum class PlaceholderPlace {
  Address,   // API['API Path']: values percent-encoded, but a field the address starts with (a
             // self-hosted service's address) as it stands, without a trailing "/"
  FormData,  // API.Data as a query, a form or multipart fields: values percent-encoded
  JsonData,  // API.Data as a JSON body: values JSON-escaped
  Header,    // API.Headers: values as they are
};

struct PlaceholderValues {
  Text longUrl;
  bool urlUtf8 = false;   // $Url$ as UTF-8 bytes (else code page 936)
  bool wireUtf8 = false;  // the bytes of the other values, as the request's texts go out
  Text alias;
  std::map<Text, Text> fields;
  // The link sections' own placeholders ("$Link$", "$Code$", "$Id$", "$Page$", ...) by their
  // full text; letter case free, written as a field is.
  std::map<Text, Text> link;
};

// Every placeholder of `text` in one pass, left to right; what is put in is never scanned again.
// "$Url$" and "$RawUrl$" (letter case free) only in API.Data, as the classic format has it;
// "$Alias$" and "$Field:Name$" (a name the plug-in declares) everywhere.
// $RawUrl$ outside JSON keeps the address readable but encodes what a form would cut it at:
// "&", "=", "+", "%", "#", blanks and controls.
Text FillPlaceholders(const Text& text, PlaceholderPlace place, const PlaceholderValues& values);

}  // namespace pindle
