#pragma once
#include <concepts>
#include <functional>

#include "generate/batch_runner.h"
#include "platform/background.h"
#include "platform/controls.h"
#include "plugins/plugin_catalog.h"

namespace pindle {

// What the user stored for a plug-in file's fields; the door that can reach the stores gives it.
using PluginInputsLookup = std::function<ShortenInputs(const Text& pluginFile)>;

// What a window's generation is given besides its controls: the stored inputs of each plug-in
// (none when not given) and the clock of the batch's waits (real time unless a test gives a
// faster one). A lookup alone gives the inputs, with real time.
struct GenerationServices {
  GenerationServices() = default;
  template <std::invocable<const Text&> Lookup>
  GenerationServices(Lookup lookup) : inputs(std::move(lookup)) {}
  GenerationServices(PluginInputsLookup lookup, BatchClock waits) : inputs(std::move(lookup)), clock(waits) {}
  PluginInputsLookup inputs;
  BatchClock clock;
};

// The 生成 button: three checks, each failure a status text, then the generation on a thread of
// `workers`, whose owner must keep the controls until that thread has ended.
void OnGenerateClicked(Controls& ui, Workers& workers, GenerationServices inputs = {});

// The generation itself: a GenerationJob of the lines of 生成_长网址 through the plug-in chosen in
// 生成_批量接口, one result row per line, in line order. A batch keeps up to "并发数" requests in
// flight (BatchRunner). For a plug-in that takes an alias, a line "URL<TAB>ALIAS" asks for one;
// for every other plug-in a line is taken whole.
void RunGeneration(Controls& ui, const GenerationServices& services = {});

// Stops every generation running now (停止生成, Esc); whether one was running.
bool StopGenerations();
bool GenerationRunning();
// Whether a generation has not ended yet, the write of its history included.
bool GenerationUnfinished();
// The status texts of a stopped batch and of a wait.
Text StoppedStatusText(int done, int count);
Text StoppedStatusText(int done);  // the total not known
Text WaitStatusText(const BatchWait& wait);

// 0 for an empty text, otherwise the LF count plus one; a final LF starts no line.
int LineCount(const Text& text);
// Line n (1-based) of the text split at LF, a CR in front of the LF dropped; empty when out of range.
Text NthLine(const Text& text, int n);

// The plug-ins named in "备用插件" that the catalog has and that are on, in order, each once and
// none of them `chosen` (the plug-in the generation uses first).
std::vector<BatchPlugin> FallbackPlugins(const PluginCatalog& catalog, const Text& chosen);

}  // namespace pindle
