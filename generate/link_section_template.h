#pragma once
#include "generate/link_sections.h"
#include "platform/types.h"

namespace pindle {

// A small section to start from, naming every key its reading knows: an address on the site of
// the plug-in's `apiPath` (a field it starts with, as a self-hosted service's server, stays), the
// API's headers (which carry its key) and the placeholders a link is named by. JSON text, two
// blanks a level.
Text LinkSectionTemplate(LinkSection section, const Text& apiPath, const Text& apiHeaders);

}  // namespace pindle
