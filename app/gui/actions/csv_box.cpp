#include "app/gui/actions/csv_box.h"

#include "app/gui/actions/loaded_plugins.h"
#include "platform/files.h"

namespace pindle {
namespace {

// Whether the plug-in chosen on the 生成 page takes an alias.
bool ChosenTakesAlias(Controls& ui) {
  const LoadedPlugins& plugins = LoadedPluginsOf(ui);
  const std::optional<PluginInfo> chosen = plugins.at(plugins.find(ui.pluginChoice().currentText()));
  return chosen && chosen->usesAlias;
}

}  // namespace

void CsvInBox::set(std::shared_ptr<const CsvTable> table) {
  Text withAlias = table ? CsvTableLines(*table, true) : Text();
  Text withoutAlias = table ? CsvTableLines(*table, false) : Text();
  const std::lock_guard lock(mutex_);
  table_ = std::move(table);
  withAlias_ = std::move(withAlias);
  withoutAlias_ = std::move(withoutAlias);
}

std::shared_ptr<const CsvTable> CsvInBox::tableOf(const Text& boxText) const {
  const std::lock_guard lock(mutex_);
  if (!table_ || (boxText != withAlias_ && boxText != withoutAlias_)) return nullptr;
  return table_;
}

std::optional<Text> CsvInBox::linesFor(const Text& boxText, bool takesAlias) const {
  const std::lock_guard lock(mutex_);
  if (!table_ || (boxText != withAlias_ && boxText != withoutAlias_)) return std::nullopt;
  return takesAlias ? withAlias_ : withoutAlias_;
}

void OpenCsvFile(Controls& ui, const Text& path) {
  const std::optional<Bytes> bytes = ReadWholeFile(path);
  if (!bytes) {
    ui.setStatusText("无法读取 " + path);
    return;
  }
  Text problem;
  std::optional<CsvTable> table = ReadCsvTable(*bytes, &problem);
  if (!table) {
    ui.setStatusText(problem);
    return;
  }
  const size_t rows = table->rows.size();
  const Text column = table->header[static_cast<size_t>(table->columns.longUrl)];
  auto kept = std::make_shared<const CsvTable>(std::move(*table));
  CsvInBox& box = ui.kept<CsvInBox>();
  box.set(kept);
  ui.longUrlBox().setText(CsvTableLines(*kept, ChosenTakesAlias(ui)));
  ui.setStatusText("已读入 CSV：" + std::to_string(rows) + " 行（长网址列“" + column + "”）");
}

void OnPluginChosen(Controls& ui) {
  TextControl& box = ui.longUrlBox();
  const Text text = box.text();
  if (const std::optional<Text> lines = ui.kept<CsvInBox>().linesFor(text, ChosenTakesAlias(ui));
      lines && *lines != text)
    box.setText(*lines);
}

}  // namespace pindle
