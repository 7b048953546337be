#include "app/gui/plugin_editor_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QUuid>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "app/gui/notice_box.h"
#include "app/gui/on_window_thread.h"
#include "app/gui/text_convert.h"
#include "app/gui/window_fonts.h"
#include "config/app_paths.h"
#include "config/config.h"
#include "generate/delete_trace.h"
#include "generate/link_history.h"
#include "generate/link_section_template.h"
#include "generate/link_sections.h"
#include "generate/list_trace.h"
#include "generate/pattern_match.h"
#include "generate/shorten_trace.h"
#include "generate/stats_trace.h"
#include "json/json_error.h"
#include "json/json_text.h"
#include "platform/files.h"
#include "plugins/plugin_definition.h"
#include "plugins/plugin_file.h"
#include "plugins/plugin_file_namer.h"
#include "secrets/plugin_inputs.h"
#include "text/text_utils.h"
#include "web/link_check.h"

namespace pindle {
namespace {

// Form fields by key: the member of the file they stand for (section, member).
struct Field {
  const char* key;
  const char* section;  // "" for a top-level member
  const char* member;
  bool optional;  // left out of the file when empty
};
constexpr Field kLineFields[] = {
    {"Name", "", "Name", false},
    {"Deploy", "", "Deploy", false},
    {"Version", "", "Version", false},
    {"Author", "", "Author", false},
    {"Updated", "", "Updated", false},
    {"UpdateURL", "", "UpdateURL", false},
    {"API.API Path", "API", "API Path", false},
    {"API.Data", "API", "Data", false},
    {"Response.Parameter", "Response", "Parameter", false},
    {"Response.Prefix", "Response", "Prefix", false},
    {"Response.Pattern", "Response", "Pattern", true},
    {"Response.ResultPrefix", "Response", "ResultPrefix", true},
};

Text MemberText(const Json& file, const char* section, const char* member) {
  const Json* node = &file;
  if (*section) {
    if (!file.is_object() || !file.contains(section)) return {};
    node = &file[section];
  }
  if (!node->is_object() || !node->contains(member)) return {};
  const Json& v = (*node)[member];
  if (v.is_string()) return v.get<std::string>();
  if (v.is_null()) return {};
  if (v.is_number()) return Number13gText(v.get<double>());
  return v.dump();
}

QString TypeCaption(int type) {
  static const char* kCaptions[] = {
      "0 整个应答",          "1 JSON 路径", "2 前缀 + JSON 路径", "3 两个标记之间", "4 两个标记之间的 JSON 路径",
      "5 正则表达式（扩展）"};
  return QString::fromUtf8(kCaptions[type]);
}

constexpr struct {
  LinkSection section;
  const char* caption;
} kSectionTabs[] = {
    {LinkSection::Stats, "Stats 点击数"}, {LinkSection::List, "List 链接列表"}, {LinkSection::Delete, "Delete 删除"}};

}  // namespace

PluginEditorDialog::PluginEditorDialog(const Text& path, const Text& plugDir, QWidget* parent)
    : QDialog(parent), path_(path), plugDir_(plugDir) {
  setObjectName(QStringLiteral("插件编辑"));
  setWindowTitle(path.empty() ? QStringLiteral("新建插件")
                              : QStringLiteral("编辑插件 - ") + ToQt(FileNameOfPath(path)));
  // Roomy where the screen allows, but never larger than it: on a 1024 by 768 screen the test
  // buttons and 保存 would stand beyond its edge. Room is left for the window frame.
  const QRect screenArea = (parent ? parent->screen() : QGuiApplication::primaryScreen())->availableGeometry();
  resize(std::min(1180, screenArea.width() - 32), std::min(680, screenArea.height() - 64));
  setFont(WindowFont(12));  // a window of its own: the main window's font does not pass to it

  auto* fields = new QWidget(this);
  form_ = new QFormLayout(fields);
  form_->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  line("Name", QStringLiteral("名称"));
  line("Version", QStringLiteral("版本"));
  line("Author", QStringLiteral("作者"));
  line("Updated", QStringLiteral("更新日期"));
  line("Deploy", QStringLiteral("配置"), QStringLiteral("true 或 false：有没有配置文件"));
  line("UpdateURL", QStringLiteral("更新地址"));

  method_ = new QComboBox(fields);
  method_->setObjectName(QStringLiteral("API.Type"));
  method_->addItems({QStringLiteral("GET"), QStringLiteral("POST")});
  form_->addRow(QStringLiteral("请求方法"), method_);
  line("API.API Path", QStringLiteral("地址"), QStringLiteral("GET 时数据直接接在地址后面"));
  line("API.Data", QStringLiteral("数据"));
  auto* urlRule = new QLabel(
      QStringLiteral("$Url$：换成百分号编码的长网址（大小写不限，可出现多次）；$RawUrl$：换成原样的长网址"), fields);
  urlRule->setObjectName(QStringLiteral("规则_Url"));
  urlRule->setTextInteractionFlags(Qt::TextSelectableByMouse);
  urlRule->setWordWrap(true);
  form_->addRow(QString(), urlRule);
  headers_ = new QPlainTextEdit(fields);
  headers_->setObjectName(QStringLiteral("API.Headers"));
  headers_->setFixedHeight(58);
  headers_->setPlaceholderText(QStringLiteral("每行一个，例如 Accept: application/json"));
  form_->addRow(QStringLiteral("请求头"), headers_);
  bodyType_ = new QComboBox(fields);
  bodyType_->setObjectName(QStringLiteral("API.BodyType"));
  bodyType_->addItem(QStringLiteral("照旧（表单，GBK）"), QString());
  bodyType_->addItem(QStringLiteral("json：JSON 正文，UTF-8"), QStringLiteral("json"));
  bodyType_->addItem(QStringLiteral("form：表单正文"), QStringLiteral("form"));
  bodyType_->addItem(QStringLiteral("multipart：表单字段作 multipart/form-data 文字部分"), QStringLiteral("multipart"));
  form_->addRow(QStringLiteral("正文类型"), bodyType_);

  responseType_ = new QComboBox(fields);
  responseType_->setObjectName(QStringLiteral("Response.Type"));
  for (int t = 0; t <= 5; ++t) responseType_->addItem(TypeCaption(t), QString::number(t));
  form_->addRow(QStringLiteral("应答类型"), responseType_);
  line("Response.Parameter", QStringLiteral("JSON 路径"), QStringLiteral("例如 data.short 或 list[0].url"));
  line("Response.Prefix", QStringLiteral("前缀"));
  auto* quoteRule =
      new QLabel(QStringLiteral("标记模板：$Url$ 左边是左标记，右边是右标记；#引号 代表一个双引号"), fields);
  quoteRule->setObjectName(QStringLiteral("规则_引号"));
  quoteRule->setWordWrap(true);
  form_->addRow(QString(), quoteRule);
  line("Response.Pattern", QStringLiteral("正则表达式"), QStringLiteral("取第 1 组；没有组时取整个匹配"));
  line("Response.ResultPrefix", QStringLiteral("结果前缀"), QStringLiteral("取到链接时加在前面（可空）"));

  checks_ = new QLabel(fields);
  checks_->setObjectName(QStringLiteral("检查"));
  checks_->setWordWrap(true);
  checks_->setStyleSheet(QStringLiteral("color: #b00020"));
  form_->addRow(QString(), checks_);

  trace_ = new QPlainTextEdit(this);
  trace_->setObjectName(QStringLiteral("测试结果"));
  trace_->setReadOnly(true);
  trace_->setLineWrapMode(QPlainTextEdit::NoWrap);
  trace_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  trace_->setPlaceholderText(QStringLiteral("按“测试”后，这里显示实际发出的请求、应答、解码和提取的每一步"));

  testUrl_ = new QLineEdit(QStringLiteral("https://example.com/"), this);
  testUrl_->setObjectName(QStringLiteral("测试网址"));
  testButton_ = new QPushButton(QStringLiteral("测试"), this);
  testButton_->setObjectName(QStringLiteral("测试"));
  auto* saveButton = new QPushButton(QStringLiteral("保存"), this);
  saveButton->setObjectName(QStringLiteral("保存"));
  auto* cancelButton = new QPushButton(QStringLiteral("取消"), this);
  cancelButton->setObjectName(QStringLiteral("取消"));

  // The link sections get the space below the trace; a file without them can be given one.
  auto* sectionBox = sectionBox_ = new QGroupBox(QStringLiteral("链接管理"), this);
  sectionBox->setObjectName(QStringLiteral("链接管理"));
  auto* sectionLayout = new QVBoxLayout(sectionBox);
  auto* ruleRow = new QHBoxLayout;
  auto* sectionRule = sectionRule_ = new QLabel(sectionBox);
  sectionRule->setObjectName(QStringLiteral("规则_链接管理"));
  sectionRule->setWordWrap(true);
  ruleRow->addWidget(sectionRule, 1, Qt::AlignTop);
  addButton_ = new QPushButton(QStringLiteral("添加…"), sectionBox);
  addButton_->setObjectName(QStringLiteral("链接管理_添加"));
  addButton_->setToolTip(QStringLiteral("添加一节，填好示例，按服务的接口改"));
  addMenu_ = new QMenu(addButton_);
  addMenu_->setObjectName(QStringLiteral("链接管理_添加菜单"));
  for (const auto& tab : kSectionTabs) {
    QAction* add = addMenu_->addAction(QString::fromUtf8(tab.caption));
    add->setObjectName(QStringLiteral("添加_") + QString::fromUtf8(LinkSectionKey(tab.section)));
    connect(add, &QAction::triggered, this, [this, section = tab.section] {
      const auto text = [this](const char* key) {
        return FromQt(findChild<QLineEdit*>(QString::fromUtf8(key))->text());
      };
      addSectionTab(section,
                    ToQt(LinkSectionTemplate(section, text("API.API Path"),
                                             Replace(Trim(FromQt(headers_->toPlainText())), "\n", "\r\n"))),
                    QString());
      runChecks();
    });
  }
  addButton_->setMenu(addMenu_);
  ruleRow->addWidget(addButton_, 0, Qt::AlignTop);
  sectionLayout->addLayout(ruleRow);
  sectionTabs_ = new QTabWidget(sectionBox);
  sectionTabs_->setObjectName(QStringLiteral("链接管理_各节"));
  sectionLayout->addWidget(sectionTabs_, 1);
  // The sections are tried as edited: Stats and Delete on a link of the user's, List on its first
  // page; each traced beside the form.
  linkRow_ = new QWidget(sectionBox);
  auto* linkLayout = new QHBoxLayout(linkRow_);
  linkLayout->setContentsMargins(0, 0, 0, 0);
  linkLayout->addWidget(new QLabel(QStringLiteral("短网址"), linkRow_));
  statsLink_ = new QLineEdit(linkRow_);
  statsLink_->setObjectName(QStringLiteral("统计链接"));
  linkLayout->addWidget(statsLink_, 3);
  statsId_ = new QLineEdit(linkRow_);
  statsId_->setObjectName(QStringLiteral("统计编号"));
  statsId_->setPlaceholderText(QStringLiteral("服务端编号（用到 $Id$ 时填）"));
  linkLayout->addWidget(statsId_, 2);
  linkLayout->addStretch(0);  // the buttons keep their width when the link fields are hidden
  statsButton_ = new QPushButton(QStringLiteral("测试统计"), linkRow_);
  statsButton_->setObjectName(QStringLiteral("测试统计"));
  linkLayout->addWidget(statsButton_);
  deleteButton_ = new QPushButton(QStringLiteral("测试删除"), linkRow_);
  deleteButton_->setObjectName(QStringLiteral("测试删除"));
  deleteButton_->setToolTip(QStringLiteral("真的在服务端删除这个短网址（先问一次）"));
  linkLayout->addWidget(deleteButton_);
  listButton_ = new QPushButton(QStringLiteral("测试列表"), linkRow_);
  listButton_->setObjectName(QStringLiteral("测试列表"));
  listButton_->setToolTip(QStringLiteral("请求列表的第一页"));
  linkLayout->addWidget(listButton_);
  sectionLayout->addWidget(linkRow_);

  auto* right = right_ = new QVBoxLayout;
  auto* testRow = new QHBoxLayout;
  testRow->addWidget(new QLabel(QStringLiteral("长网址"), this));
  testRow->addWidget(testUrl_, 1);
  testRow->addWidget(testButton_);
  right->addLayout(testRow);
  right->addWidget(trace_, 3);
  right->addWidget(sectionBox, 2);
  auto* left = new QVBoxLayout;
  left->addWidget(fields);
  left->addStretch(1);  // the rows keep their height; the space goes below them
  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 5);
  columns->addLayout(right, 6);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(saveButton);
  buttons->addWidget(cancelButton);
  auto* all = new QVBoxLayout(this);
  all->addLayout(columns, 1);
  all->addLayout(buttons);

  load();
  loadSections();
  showFieldsForType();
  runChecks();
  for (auto* edit : findChildren<QLineEdit*>())
    if (edit != testUrl_) connect(edit, &QLineEdit::textChanged, this, &PluginEditorDialog::runChecks);
  connect(headers_, &QPlainTextEdit::textChanged, this, &PluginEditorDialog::runChecks);
  for (auto* box : {method_, bodyType_, responseType_})
    connect(box, &QComboBox::currentIndexChanged, this, [this] {
      showFieldsForType();
      runChecks();
    });
  connect(testButton_, &QPushButton::clicked, this, &PluginEditorDialog::runTest);
  connect(statsButton_, &QPushButton::clicked, this, &PluginEditorDialog::runStats);
  connect(deleteButton_, &QPushButton::clicked, this, &PluginEditorDialog::runDelete);
  connect(listButton_, &QPushButton::clicked, this, &PluginEditorDialog::runList);
  connect(saveButton, &QPushButton::clicked, this, &PluginEditorDialog::save);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QLineEdit* PluginEditorDialog::line(const char* key, const QString& label, const QString& help) {
  auto* edit = new QLineEdit(form_->parentWidget());
  edit->setObjectName(QString::fromUtf8(key));
  if (!help.isEmpty()) edit->setPlaceholderText(help);
  form_->addRow(label, edit);
  return edit;
}

void PluginEditorDialog::load() {
  original_ = Json::object();
  if (!path_.empty()) {
    encoding_ = DetectPluginFileEncoding(path_);
    if (auto parsed = ParseJsonText(ReadPluginFileText(path_)); parsed && parsed->value.is_object())
      original_ = std::move(parsed->value);
  } else {
    original_ = Json{{"Deploy", "false"}, {"Version", "1.0"}};
  }
  for (const Field& f : kLineFields)
    findChild<QLineEdit*>(QString::fromUtf8(f.key))->setText(ToQt(MemberText(original_, f.section, f.member)));
  const Text method = MemberText(original_, "API", "Type");
  if (!method.empty() && method_->findText(ToQt(method)) < 0) method_->addItem(ToQt(method));
  method_->setCurrentText(method.empty() ? QStringLiteral("GET") : ToQt(method));
  headers_->setPlainText(ToQt(Replace(MemberText(original_, "API", "Headers"), "\r\n", "\n")));
  const int body = bodyType_->findData(ToQt(ToLowerAscii(MemberText(original_, "API", "BodyType"))));
  bodyType_->setCurrentIndex(body < 0 ? 0 : body);
  const Text type = MemberText(original_, "Response", "Type");
  int index = responseType_->findData(ToQt(type));
  if (index < 0 && !type.empty()) {
    responseType_->addItem(ToQt(type) + QStringLiteral("（未知类型）"), ToQt(type));
    index = responseType_->count() - 1;
  }
  responseType_->setCurrentIndex(index < 0 ? 0 : index);
}

void PluginEditorDialog::loadSections() {
  for (const auto& tab : kSectionTabs) {
    const char* key = LinkSectionKey(tab.section);
    if (!original_.contains(key)) continue;
    const QString text = ToQt(original_[key].dump(2, ' ', false, Json::error_handler_t::replace));
    addSectionTab(tab.section, text, text);
  }
  showSectionControls();
}

void PluginEditorDialog::addSectionTab(LinkSection section, const QString& text, const QString& loaded) {
  if (hasSection(section)) return;
  auto* edit = new QPlainTextEdit(sectionTabs_);
  edit->setObjectName(QString::fromUtf8(LinkSectionKey(section)));
  edit->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  edit->setPlainText(text);
  // The tabs keep the order of kSectionTabs whatever order they come in.
  int index = 0;
  for (const auto& tab : kSectionTabs) {
    if (tab.section == section) break;
    if (hasSection(tab.section)) ++index;
  }
  const char* caption = "";
  for (const auto& tab : kSectionTabs)
    if (tab.section == section) caption = tab.caption;
  sectionTabs_->insertTab(index, edit, QString::fromUtf8(caption));
  if (loaded.isEmpty()) sectionTabs_->setCurrentWidget(edit);  // added: shown to be filled in
  sections_.insert(sections_.begin() + index, {LinkSectionKey(section), edit, loaded});
  connect(edit, &QPlainTextEdit::textChanged, this, &PluginEditorDialog::runChecks);
  showSectionControls();
}

bool PluginEditorDialog::hasSection(LinkSection section) const {
  for (const SectionEdit& s : sections_)
    if (Text(s.key) == LinkSectionKey(section)) return true;
  return false;
}

void PluginEditorDialog::showSectionControls() {
  sectionTabs_->setVisible(!sections_.empty());
  sectionRule_->setText(sections_.empty()
                            ? QStringLiteral("这个插件没有链接管理的节（Stats 点击数、List 链接列表、Delete 删除）："
                                             "按“添加…”加一节，照服务的接口改")
                            : QStringLiteral("每节是一个 JSON 对象（Type、API Path、Data、Headers 和取值的 JSON "
                                             "路径）；保存时检查，清空一节即从文件中删去这一节"));
  // Without sections the group is one line and the trace keeps the room.
  if (right_) right_->setStretchFactor(sectionBox_, sections_.empty() ? 0 : 2);
  const bool stats = hasSection(LinkSection::Stats), list = hasSection(LinkSection::List),
             del = hasSection(LinkSection::Delete);
  linkRow_->setVisible(stats || list || del);
  for (QWidget* w : linkRow_->findChildren<QWidget*>())
    if (w != statsButton_ && w != deleteButton_ && w != listButton_) w->setVisible(stats || del);
  statsButton_->setVisible(stats);
  deleteButton_->setVisible(del);
  listButton_->setVisible(list);
  for (const auto& tab : kSectionTabs)
    addMenu_->findChild<QAction*>(QStringLiteral("添加_") + QString::fromUtf8(LinkSectionKey(tab.section)))
        ->setVisible(!hasSection(tab.section));
  addButton_->setEnabled(!(stats && list && del));
}

QString PluginEditorDialog::sectionProblem(const char* key) const {
  for (const SectionEdit& section : sections_) {
    if (Text(section.key) != key) continue;
    const QString shown = section.edit->toPlainText();
    const Text text = FromQt(shown);
    if (shown == section.loaded || TrimBlanksAndLineBreaks(text).empty()) return {};
    const QString name = QStringLiteral("链接管理 ") + QString::fromUtf8(key);
    if (NestsTooDeep(text)) return name + QStringLiteral(" 嵌套太深");
    const std::optional<ParsedJson> parsed = ParseJsonText(text);
    if (!parsed) {
      const std::optional<JsonSyntaxError> error = FindJsonSyntaxError(text);
      return name + QStringLiteral(" 不是有效的 JSON") +
             (error ? QStringLiteral("（第 %1 字节：%2）").arg(error->byte).arg(ToQt(error->message)) : QString());
    }
    if (!parsed->value.is_object()) return name + QStringLiteral(" 应是一个 JSON 对象 {…}");
  }
  return {};
}

void PluginEditorDialog::showFieldsForType() {
  const QString type = responseType_->currentData().toString();
  const bool path = type == "1" || type == "2" || type == "4";
  const bool markers = type == "3" || type == "4";
  form_->setRowVisible(findChild<QLineEdit*>(QStringLiteral("Response.Parameter")), path);
  form_->setRowVisible(findChild<QLineEdit*>(QStringLiteral("Response.Prefix")), type == "2" || markers);
  form_->setRowVisible(findChild<QLabel*>(QStringLiteral("规则_引号")), markers);
  form_->setRowVisible(findChild<QLineEdit*>(QStringLiteral("Response.Pattern")), type == "5");
  if (auto* label =
          qobject_cast<QLabel*>(form_->labelForField(findChild<QLineEdit*>(QStringLiteral("Response.Prefix")))))
    label->setText(markers ? QStringLiteral("标记模板") : QStringLiteral("前缀"));
}

Text PluginEditorDialog::pluginText() const {
  Json file = original_;
  if (!file.is_object()) file = Json::object();
  auto put = [&](const char* section, const char* member, const Text& value, bool optional) {
    Json& node = *section ? file[section] : file;
    if (!node.is_object()) node = Json::object();
    if (optional && value.empty())
      node.erase(member);
    else
      node[member] = value;
  };
  const QString type = responseType_->currentData().toString();
  for (const Field& f : kLineFields) {
    Text value = FromQt(findChild<QLineEdit*>(QString::fromUtf8(f.key))->text());
    // An expression left in the hidden field of another type does not go into the file.
    if (Text(f.key) == kPluginResponsePatternKey && type != kPatternResponseType) value.clear();
    put(f.section, f.member, value, f.optional);
  }
  put("API", "Type", FromQt(method_->currentText()), false);
  put("API", "Headers", Replace(Trim(FromQt(headers_->toPlainText())), "\n", "\r\n"), false);
  put("API", "BodyType", FromQt(bodyType_->currentData().toString()), true);
  put("Response", "Type", FromQt(responseType_->currentData().toString()), false);
  for (const SectionEdit& section : sections_) {
    const QString shown = section.edit->toPlainText();
    if (shown == section.loaded) continue;
    const Text text = FromQt(shown);
    if (TrimBlanksAndLineBreaks(text).empty()) {
      file.erase(section.key);
      continue;
    }
    // A text that cannot be saved keeps the file's value here; save() refuses it before this.
    if (sectionProblem(section.key).isEmpty())
      if (std::optional<ParsedJson> parsed = ParseJsonText(text)) file[section.key] = std::move(parsed->value);
  }
  // A new plug-in speaks UTF-8, as the services of today do; a file's own choice stays.
  if (path_.empty() && !file.contains(kPluginEncodingKey)) file[kPluginEncodingKey] = "UTF-8";
  return file.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

QStringList PluginEditorDialog::problems() const {
  QStringList found;
  auto text = [this](const char* key) { return FromQt(findChild<QLineEdit*>(QString::fromUtf8(key))->text()); };
  const Text address = text("API.API Path");
  const Text data = text("API.Data");
  const QString type = responseType_->currentData().toString();
  if (text("Name").empty()) found << QStringLiteral("名称为空：插件不会出现在生成页的插件选择里");
  // A self-hosted service's address starts with the field of its server.
  if (!HasWebScheme(address) && address.rfind("$Field:", 0) != 0)
    found << QStringLiteral("地址不是 http:// 或 https:// 开头");
  if (method_->currentText() == "POST" && data.empty())
    found << QStringLiteral("POST 请求没有数据：长网址到不了服务");
  else if (!Contains(data, "$Url$", true) && !Contains(data, "$RawUrl$", true))
    found << QStringLiteral("数据里没有 $Url$ 或 $RawUrl$：长网址不会发出");
  if ((type == "3" || type == "4") && Split(text("Response.Prefix"), "$Url$").size() < 2)
    found << QStringLiteral("标记模板要用 $Url$ 分成左右两个标记，且 $Url$ 后面要有右标记");
  if ((type == "1" || type == "2" || type == "4") && text("Response.Parameter").empty())
    found << QStringLiteral("JSON 路径为空：取不到任何值");
  if (type == "5") {
    const PatternMatch m = MatchPattern("", text("Response.Pattern"));
    if (m.outcome == PatternMatch::Outcome::EmptyPattern) found << QStringLiteral("正则表达式为空");
    if (m.outcome == PatternMatch::Outcome::BadPattern) found << QStringLiteral("正则表达式有错：") + ToQt(m.message);
  }
  for (const SectionEdit& section : sections_)
    if (const QString problem = sectionProblem(section.key); !problem.isEmpty()) found << problem;
  return found;
}

void PluginEditorDialog::runChecks() {
  const QStringList found = problems();
  checks_->setText(found.isEmpty() ? QString() : QStringLiteral("• ") + found.join(QStringLiteral("\n• ")));
}

void PluginEditorDialog::runTest() {
  const Text longUrl = FromQt(testUrl_->text());
  runTrace([longUrl](const Text& file, const ShortenInputs& inputs) {
    JsonDocument document;
    return FormatTrace(TraceShorten(file, longUrl, document, inputs));
  });
}

LinkRef PluginEditorDialog::typedLink() const {
  return {FromQt(statsLink_->text().trimmed()), FromQt(statsId_->text().trimmed())};
}

Text PluginEditorDialog::pluginName() const { return FromQt(findChild<QLineEdit*>(QStringLiteral("Name"))->text()); }

void PluginEditorDialog::runLinkTrace(
    std::function<Text(const Text& file, const LinkRef& ref, const ShortenInputs& inputs, const HistoryStore& history)>
        trace) {
  const Text historyFile = HistoryFile(Paths());
  runTrace([ref = typedLink(), name = pluginName(), historyFile, trace = std::move(trace)](
               const Text& file, const ShortenInputs& inputs) {
    const HistoryStore history(historyFile);
    LinkRef known = ref;
    if (known.serviceId.empty()) known.serviceId = KnownServiceId(history, known.link, name);
    return trace(file, known, inputs, history);
  });
}

void PluginEditorDialog::runStats() {
  runLinkTrace([](const Text& file, const LinkRef& ref, const ShortenInputs& inputs, const HistoryStore&) {
    return FormatTrace(TraceStats(file, ref, inputs), "没有得到点击数");
  });
}

void PluginEditorDialog::runList() {
  runTrace([](const Text& file, const ShortenInputs& inputs) {
    return FormatTrace(TraceList(file, inputs), "没有得到链接列表");
  });
}

void PluginEditorDialog::runDelete() {
  const LinkRef ref = typedLink();
  if (ref.link.empty()) {
    trace_->setPlainText(QStringLiteral("先在“短网址”里填要删除的短网址"));
    return;
  }
  Notice question;
  question.title = "测试删除";
  question.message = "测试删除会真的在服务端删除 " + ref.link + "，删除后它不再跳转。要删除吗？";
  question.buttons = kButtonsOkCancel;
  question.timeoutMs = 0;  // a delete is never agreed to by waiting
  question.okText = "删除";
  if (NoticeBox::show(this, question) != kNoticeOk) {
    trace_->setPlainText(QStringLiteral("没有删除：什么也没有发出"));
    return;
  }
  runLinkTrace([](const Text& file, const LinkRef& ref, const ShortenInputs& inputs, const HistoryStore& history) {
    return FormatTrace(TraceDelete(file, ref, inputs, &history), "没有删除");
  });
}

void PluginEditorDialog::runTrace(std::function<Text(const Text& file, const ShortenInputs& inputs)> trace) {
  for (QPushButton* b : {testButton_, statsButton_, deleteButton_, listButton_}) b->setEnabled(false);
  trace_->setPlainText(QStringLiteral("正在测试……"));
  // The form as it stands, in a file of its own, so the traced run reads exactly what a save
  // would write; the worker removes it.
  const Text file = FromQt(QDir::temp().filePath(QStringLiteral("pindle-test-") +
                                                 QUuid::createUuid().toString(QUuid::WithoutBraces) + ".json"));
  const Text text = pluginText();
  QPointer<PluginEditorDialog> self(this);
  const Config config = Config::Read();
  tests_.start([self, file, text, trace = std::move(trace), config](std::stop_token) {
    Text shown;
    if (WriteFileAtomically(file, text)) {
      // The values stored under the plug-in's name, so a keyed plug-in can be tried as edited.
      ShortenInputs inputs = StoredPluginInputs(file, config.paths.deployDir, ValueSetting::Window);
      inputs.verifyTls = config.verifyTls;
      shown = trace(file, inputs);
      RemoveFile(file);
    } else {
      shown = "写不进临时文件 " + file;
    }
    QueueOnThreadOf(
        qApp,
        [self, shown] {
          if (!self) return;
          self->trace_->setPlainText(ToQt(shown));
          for (QPushButton* b : {self->testButton_, self->statsButton_, self->deleteButton_, self->listButton_})
            b->setEnabled(true);
        },
        Qt::QueuedConnection);
  });
}

// A closed dialog does not wait for a test still asking its service (up to the request's
// time-outs): the test is left to end by itself, and its answer finds no dialog.
PluginEditorDialog::~PluginEditorDialog() { tests_.finish(std::chrono::milliseconds(0), {}); }

void PluginEditorDialog::save() {
  // A section that is not a JSON object would be lost or break the file: nothing is written.
  for (const SectionEdit& section : sections_)
    if (const QString problem = sectionProblem(section.key); !problem.isEmpty()) {
      sectionTabs_->setCurrentWidget(section.edit);
      checks_->setText(QStringLiteral("• 保存失败：") + problem);
      return;
    }
  Text target = path_;
  if (target.empty()) {
    MakeDirectories(plugDir_);
    // A new plug-in never replaces another one's file.
    target = NewPluginFilePath(plugDir_, pluginName(), "新插件");
  }
  if (!WritePluginFile(target, pluginText(), encoding_)) {
    checks_->setText(QStringLiteral("• 保存失败：写不进 ") + ToQt(target));
    return;
  }
  path_ = target;
  emit saved(ToQt(target));
  accept();
}

}  // namespace pindle
