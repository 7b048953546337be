#pragma once
#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

#include "generate/link_sections.h"
#include "generate/shorten_engine.h"
#include "history/history_store.h"
#include "json/json_parse.h"
#include "platform/background.h"
#include "platform/types.h"
#include "plugins/plugin_file_writer.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace pindle {

// A plug-in file as a form: one field per key (the response fields the chosen Response.Type
// reads), checks as you type, a test run that shows every step beside the form, and a save that
// writes the file atomically in the encoding it was read in. Every field carries its key path as
// objectName ("Name", "API.Type", "API.API Path", "Response.Pattern", ...).
class PluginEditorDialog : public QDialog {
  Q_OBJECT
 public:
  // `path` empty: a new plug-in, saved as <plugDir>/<Name>.json.
  PluginEditorDialog(const Text& path, const Text& plugDir, QWidget* parent = nullptr);
  ~PluginEditorDialog() override;

  // The form as a plug-in file's text: the file's other members are kept as they were.
  Text pluginText() const;
  // What the checks found, one line each; empty when none.
  QStringList problems() const;
  // Why the text of the section `key` ("Stats", "List", "Delete") cannot be saved; empty when it
  // can (an emptied section is left out of the file).
  QString sectionProblem(const char* key) const;

 signals:
  void saved(const QString& path);

 private:
  QLineEdit* line(const char* key, const QString& label, const QString& help = {});
  void load();
  void showFieldsForType();
  void runChecks();
  void runTest();
  void runStats();
  void runList();
  // Asks first: the link is really deleted at the service.
  void runDelete();
  // Runs `trace` on a worker over the form as it stands, written to a file of its own, and shows
  // what it returns beside the form.
  void runTrace(std::function<Text(const Text& file, const ShortenInputs& inputs)> trace);
  // runTrace for the short link typed; on the worker its id, when none is typed, is the one the
  // history kept for the link when this plug-in made it, as the commands take it.
  void runLinkTrace(std::function<Text(const Text& file, const LinkRef& ref, const ShortenInputs& inputs,
                                       const HistoryStore& history)>
                        trace);
  LinkRef typedLink() const;
  Text pluginName() const;  // as the form has it
  void save();
  void loadSections();
  // A section as a tab, in the order Stats, List, Delete; `loaded` the file's text of it (empty:
  // added here, so saved whatever it holds).
  void addSectionTab(LinkSection section, const QString& text, const QString& loaded);
  bool hasSection(LinkSection section) const;
  // The test buttons and the 添加… menu follow the sections shown.
  void showSectionControls();

  // A link section the file holds, as the JSON text the user edits.
  struct SectionEdit {
    const char* key;
    QPlainTextEdit* edit;
    QString loaded;  // unchanged text keeps the file's own value, byte for byte
  };

  Text path_;
  Text plugDir_;
  PluginFileEncoding encoding_ = PluginFileEncoding::Gbk;
  Json original_;
  QFormLayout* form_ = nullptr;
  QComboBox* method_ = nullptr;
  QComboBox* bodyType_ = nullptr;
  QComboBox* responseType_ = nullptr;
  QPlainTextEdit* headers_ = nullptr;
  QLabel* checks_ = nullptr;
  QLineEdit* testUrl_ = nullptr;
  QPushButton* testButton_ = nullptr;
  QPlainTextEdit* trace_ = nullptr;
  QTabWidget* sectionTabs_ = nullptr;
  QWidget* sectionBox_ = nullptr;
  QLabel* sectionRule_ = nullptr;
  QVBoxLayout* right_ = nullptr;
  QWidget* linkRow_ = nullptr;
  QLineEdit* statsLink_ = nullptr;
  QLineEdit* statsId_ = nullptr;
  QPushButton* statsButton_ = nullptr;
  QPushButton* deleteButton_ = nullptr;
  QPushButton* listButton_ = nullptr;
  QPushButton* addButton_ = nullptr;
  QMenu* addMenu_ = nullptr;
  std::vector<SectionEdit> sections_;
  // The test runs: each holds copies and a guarded pointer to the dialog, nothing of its frame.
  Workers tests_;
};

}  // namespace pindle
