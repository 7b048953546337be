#pragma once
#include "platform/types.h"
#include "plugins/sxcu_import.h"

namespace pindle {

// Puts the keys an imported uploader carried into the plug-in's secret fields, unless the user
// stored values there already (an import never touches stored values). `plain`: where no secret
// store runs, keep them in the plug-in's configuration file, readable by its owner alone.
// One line saying what became of them; empty when the file carried none.
Text StoreImportedSecrets(const SxcuImport& import, bool plain, const Text& deployDir);

}  // namespace pindle
