#pragma once
#include <concepts>
#include <functional>

#include "app/gui/actions/controls.h"
#include "generate/batch_plan.h"
#include "platform/background.h"

namespace pindle {

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

// The generation itself: the lines of 生成_长网址 through the plug-in chosen in 生成_批量接口 and
// the fallbacks of "备用插件", planned as every batch is (PlanBatch), one result row per line, in
// line order. Each line is taken from the box as it stands when it starts (the box is read again
// only after it changed).
void RunGeneration(Controls& ui, const GenerationServices& services = {});

// Stops every generation running now (停止生成, Esc); whether one was running.
bool StopGenerations();
bool GenerationRunning();
// Whether a generation has not ended yet, the write of its history included.
bool GenerationUnfinished();

}  // namespace pindle
