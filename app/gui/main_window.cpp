#include "app/gui/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/gui/about_text.h"
#include "app/gui/actions/generate_actions.h"
#include "app/gui/actions/plugin_registry.h"
#include "app/gui/clicks_chart.h"
#include "app/gui/clipboard_keeper.h"
#include "app/gui/fallback_dialog.h"
#include "app/gui/file_choice.h"
#include "app/gui/file_drop_target.h"
#include "app/gui/history_page.h"
#include "app/gui/long_url_display.h"
#include "app/gui/plugin_editor_dialog.h"
#include "app/gui/plugin_fields_dialog.h"
#include "app/gui/qr_dialog.h"
#include "app/gui/report_list.h"
#include "app/gui/text_convert.h"
#include "app/gui/window_fonts.h"
#include "app/gui/window_placement.h"
#include "config/app_paths.h"
#include "config/version.h"
#include "generate/generate_command.h"
#include "plugins/plugin_definition.h"
#include "text/text_utils.h"

namespace pindle {
namespace {

constexpr int kControlFontPixels = 12;
constexpr int kTabFontPixels = 14;
// How long closing waits for a stopped batch to write its history.
constexpr int kFinishWaitMs = 3000;

void FinishGenerations() {
  // A stopped batch still writes the history it holds; meanwhile its worker may need this thread.
  if (!StopGenerations() && !GenerationUnfinished()) return;
  QElapsedTimer clock;
  clock.start();
  while (GenerationUnfinished() && clock.elapsed() < kFinishWaitMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
}

// On the 生成 page the long-URL box takes a third of the extra height, the result list the rest.
constexpr Growth kUrlBoxGrowth{0, 0, 1, 1.0 / 3};
constexpr Growth kBelowUrlBox{1, 1.0 / 3, 0, 0};
constexpr Growth kResultListGrowth{0, 1.0 / 3, 1, 2.0 / 3};
// On the 历史 page the rows take three fifths of the extra height, the chart below them the rest.
constexpr Growth kHistoryListGrowth{0, 0, 1, 0.6};
constexpr Growth kBelowHistoryList{0, 0.6, 1, 0.4};

QRect Grown(const QRect& base, Growth growth, int extraWidth, int extraHeight) {
  auto share = [](double part, int extra) { return static_cast<int>(std::lround(part * extra)); };
  const int left = base.left() + share(growth.left, extraWidth);
  const int top = base.top() + share(growth.top, extraHeight);
  // Right and bottom edges are rounded on their own, so controls that meet keep meeting.
  const int right = base.left() + base.width() + share(growth.left + growth.width, extraWidth);
  const int bottom = base.top() + base.height() + share(growth.top + growth.height, extraHeight);
  return QRect(left, top, right - left, bottom - top);
}

// Edit boxes would take dropped text themselves; drops belong to the window's drop target.
void RefuseDrops(QPlainTextEdit* box) {
  box->setAcceptDrops(false);
  box->viewport()->setAcceptDrops(false);
}

template <typename W>
W* Named(W* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

// The short-link cell of the list's selected row; empty when none is selected.
Text SelectedLink(QTreeWidget* list) {
  const auto selected = list->selectedItems();
  return selected.isEmpty() ? Text() : FromQt(selected.first()->text(1));
}

}  // namespace

MainWindow::MainWindow(WindowActions& actions, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      actions_(actions) {
  setWindowTitle(QStringLiteral("Pindle v") + QString::fromUtf8(kProgramVersion));
  setFont(WindowFont(kControlFontPixels));
  // The tab control fills the client area, the status bar lies over its foot; below the base
  // size controls would overlap.
  setMinimumSize(kBaseSize);
  resize(kBaseSize);

  tabs_ = Named(new QTabWidget(this), QStringLiteral("功能选择"));
  tabs_->setFont(WindowFont(kTabFontPixels));
  placeAt(tabs_, {0, 0, 296, 372}, kFills);
  if (auto* stack = tabs_->findChild<QStackedWidget*>(QString(), Qt::FindDirectChildrenOnly))
    stack->installEventFilter(this);

  WindowWidgets widgets;
  widgets.window = this;
  buildGeneratePage(widgets);
  buildPluginPage(widgets);
  buildSettingsPage(widgets);
  buildAboutPage();
  buildHistoryPage();
  tabs_->setCurrentIndex(0);

  widgets.statusBar = Named(new QStatusBar(this), QStringLiteral("状态条"));
  widgets.statusBar->setSizeGripEnabled(false);
  placeAt(widgets.statusBar, {0, 351, 294, 20}, {0, 1, 1, 0});
  widgets.statusBar->showMessage(QStringLiteral("欢迎使用 Pindle 短网址生成工具"));
  widgets.statusBar->raise();
  // A batch of more than one line shows its progress at the right; the texts keep the rest.
  widgets.batchProgress = Named(new QProgressBar, QStringLiteral("生成进度"));
  widgets.batchProgress->setFixedSize(70, 14);
  widgets.batchProgress->setTextVisible(false);
  widgets.statusBar->addPermanentWidget(widgets.batchProgress);
  widgets.batchProgress->hide();

  buildMenus(widgets);
  controls_ = std::make_unique<QtControls>(widgets);
  bindEvents(widgets);
  history_ = new HistoryPage(
      historyWidgets_, *controls_, actions_, [this](const Text& link) { showQrCode(link); },
      [this](const Text& link) { actions_.expandUrlChosen(*controls_, link); }, this);
  // The page shows the file as it is whenever it is opened.
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (tabs_->widget(index) == historyWidgets_.list->parentWidget()) history_->reload();
  });
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::addPage(const QString& caption) {
  currentPage_ = new QWidget;
  currentPage_->setFont(WindowFont(kControlFontPixels));
  tabs_->addTab(currentPage_, caption);
  return currentPage_;
}

template <typename W>
W* MainWindow::onPage(W* widget, const QString& name, const QRect& place, Growth growth) {
  widget->setParent(currentPage_);
  widget->setObjectName(name);
  placeAt(widget, place, growth);
  return widget;
}

void MainWindow::placeAt(QWidget* widget, const QRect& place, Growth growth) {
  widget->setGeometry(place);
  places_.push_back({widget, place, growth});
}

void MainWindow::buildGeneratePage(WindowWidgets& widgets) {
  addPage(QStringLiteral("生成"));
  longUrlBox_ = onPage(new QPlainTextEdit, QStringLiteral("生成_长网址"), {5, 34, 284, 96}, kUrlBoxGrowth);
  RefuseDrops(longUrlBox_);
  SetWrapping(longUrlBox_, true);
  batchSwitch_ = onPage(new QCheckBox(QStringLiteral("批量生成")), QStringLiteral("生成_批量开关"), {5, 138, 72, 25},
                        {0, 1.0 / 3, 0, 0});
  batchSwitch_->hide();
  pluginChoice_ = onPage(new QComboBox, QStringLiteral("生成_批量接口"), {123, 138, 90, 28}, kBelowUrlBox);
  pluginChoice_->setEditable(false);
  onPage(new QPushButton(QStringLiteral("生成")), QStringLiteral("生成_生成按钮"), {219, 137, 70, 28}, kBelowUrlBox);
  // Where the batch switch would stand, which is never shown; left of the choice.
  onPage(new QPushButton(QStringLiteral("打开 CSV…")), QStringLiteral("生成_打开CSV"), {5, 137, 84, 28},
         {0, 1.0 / 3, 0, 0});
  resultList_ = onPage(new ReportList({QStringLiteral("接口"), QStringLiteral("短网址")}, {84, 170}),
                       QStringLiteral("生成_结果列表"), {5, 172, 284, 173}, kResultListGrowth);
  widgets.longUrlBox = longUrlBox_;
  widgets.pluginChoice = pluginChoice_;
  widgets.resultList = resultList_;
}

void MainWindow::buildPluginPage(WindowWidgets& widgets) {
  addPage(QStringLiteral("插件"));
  onPage(new QPushButton(QStringLiteral("更新")), QStringLiteral("插件_更新"), {152, 38, 65, 25}, kKeepsRight);
  onPage(new QPushButton(QStringLiteral("刷新")), QStringLiteral("插件_刷新"), {225, 38, 65, 25}, kKeepsRight);
  // Lies under the list it overlaps and lets every click through.
  auto* label = onPage(new QLabel, QStringLiteral("透明标签"), {3, 71, 290, 25}, kWidens);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  pluginList_ = onPage(new ReportList({QStringLiteral("接口"), QStringLiteral("启用"), QStringLiteral("配置"),
                                       QStringLiteral("版本"), QStringLiteral("作者"), QStringLiteral("更新日期"),
                                       QStringLiteral("插件路径"), QStringLiteral("状态"), QStringLiteral("状态说明")},
                                      {80, 50, 0, 70, 70, 80, 0, 130, 0}),
                       QStringLiteral("插件_插件列表"), {6, 70, 284, 274}, kFills);
  // The 状态 cell's details show as the row's tool tip.
  pluginList_->setToolTipColumn(kPluginStatusTipColumn);
  widgets.pluginList = pluginList_;
}

void MainWindow::buildSettingsPage(WindowWidgets& widgets) {
  settingsPage_ = addPage(QStringLiteral("设定"));
  onPage(new QLabel(QStringLiteral("软件设置：")), QStringLiteral("设定_标签"), {9, 36, 63, 20});
  auto box = [this](const char* caption, const char* name, const QRect& place) {
    return onPage(new QCheckBox(QString::fromUtf8(caption)), QString::fromUtf8(name), place);
  };
  auto& boxes = widgets.settingBoxes;
  boxes[static_cast<size_t>(SettingBox::AlwaysOnTop)] = box("总在最前显示", "设定_总在最前", {72, 36, 104, 20});
  boxes[static_cast<size_t>(SettingBox::AutoUpdate)] = box("自动更新插件信息", "设定_自动更新", {72, 56, 144, 20});
  boxes[static_cast<size_t>(SettingBox::AutoLoad)] = box("自动加载插件", "设定_自动加载", {72, 76, 104, 20});
  boxes[static_cast<size_t>(SettingBox::DoubleClickToggle)] =
      box("双击切换插件开关", "设定_双击切换", {72, 96, 120, 20});
  boxes[static_cast<size_t>(SettingBox::DoubleClickCopy)] = box("双击复制短网址", "设定_双击复制", {72, 119, 104, 20});
  boxes[static_cast<size_t>(SettingBox::IgnoreCertificateErrors)] =
      box("忽略证书错误", "设定_忽略证书", {72, 142, 104, 20});
  // Below the place of the certificate switch under 双击复制.
  boxes[static_cast<size_t>(SettingBox::RecordHistory)] = box("记录历史", "设定_记录历史", {72, 165, 104, 20});
  // Beside 记录历史, whose history it reads; the boxes below belong to the desktop.
  boxes[static_cast<size_t>(SettingBox::ReuseLinks)] = box("复用短网址", "设定_复用短网址", {200, 165, 96, 20});
  boxes[static_cast<size_t>(SettingBox::AutoUpdate)]->setEnabled(false);
  onPage(new QPushButton(QStringLiteral("备用插件…")), QStringLiteral("设定_备用插件"), {200, 140, 88, 24},
         kKeepsRight);

  // The feedback form exists, bound to its action, but is never shown.
  onPage(new QLabel(QStringLiteral("反馈内容：")), QStringLiteral("设定_反馈标签"), {8, 227, 63, 20})->hide();
  auto* feedback = onPage(new QPlainTextEdit, QStringLiteral("设定_反馈内容"), {72, 227, 216, 77}, kWidens);
  feedback->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  feedback->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  RefuseDrops(feedback);
  feedback->hide();
  onPage(new QPushButton(QStringLiteral("反馈")), QStringLiteral("设定_反馈按钮"), {224, 311, 64, 32}, kKeepsRight)
      ->hide();
  widgets.feedbackBox = feedback;
}

void MainWindow::addToSettingsPage(QWidget* widget, const QString& name, const QRect& place, Growth growth) {
  widget->setParent(settingsPage_);
  widget->setObjectName(name);
  placeAt(widget, place, growth);
  placeControls();
  widget->show();
}

void MainWindow::buildAboutPage() {
  addPage(QStringLiteral("关于"));
  auto* about = onPage(new QPlainTextEdit, QStringLiteral("关于_软件说明"), {5, 34, 285, 311}, kFills);
  about->setReadOnly(true);
  about->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  about->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  about->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  RefuseDrops(about);
  about->setPlainText(AboutText() + QLatin1Char('\n') + PathsLine(Paths()));
}

void MainWindow::buildHistoryPage() {
  addPage(QStringLiteral("历史"));
  auto& w = historyWidgets_;
  w.search = onPage(new QLineEdit, QStringLiteral("历史_搜索"), {5, 36, 138, 24}, kWidens);
  w.search->setPlaceholderText(QStringLiteral("搜索网址或插件"));
  w.search->setClearButtonEnabled(true);
  w.refreshButton = onPage(new QPushButton(QStringLiteral("刷新点击")), QStringLiteral("历史_刷新点击"),
                           {147, 35, 60, 26}, kKeepsRight);
  w.exportButton =
      onPage(new QPushButton(QStringLiteral("导出 CSV")), QStringLiteral("历史_导出"), {211, 35, 78, 26}, kKeepsRight);
  w.list = onPage(new ReportList({QStringLiteral("接口"), QStringLiteral("短网址"), QStringLiteral("长网址"),
                                  QStringLiteral("时间"), QStringLiteral("点击"), QStringLiteral("失败原因"),
                                  QStringLiteral("编号")},
                                 {70, 150, 220, 130, 50, 200, 0}),
                  QStringLiteral("历史_列表"), {5, 66, 284, 189}, kHistoryListGrowth);
  // The selected link's clicks by day, below the rows; it takes part of the extra height.
  w.chart = onPage(new ClicksChart, QStringLiteral("历史_点击图表"), {5, 259, 284, 86}, kBelowHistoryList);
  w.menu = Named(new QMenu(this), QStringLiteral("历史菜单"));
  w.menu->setFont(WindowFont(kControlFontPixels));
}

void MainWindow::buildMenus(WindowWidgets& widgets) {
  auto item = [](QMenu* menu, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(caption);
    return action;
  };
  auto& items = widgets.menuItems;
  resultMenu_ = Named(new QMenu(this), QStringLiteral("生成菜单"));
  resultMenu_->setFont(WindowFont(kControlFontPixels));
  items[static_cast<size_t>(MenuItem::CopyUrl)] = item(resultMenu_, QStringLiteral("复制网址"));
  items[static_cast<size_t>(MenuItem::OpenUrl)] = item(resultMenu_, QStringLiteral("打开网址"));
  QAction* stop = item(resultMenu_, QStringLiteral("停止生成"));
  stop->setEnabled(false);  // until a batch runs
  items[static_cast<size_t>(MenuItem::StopGeneration)] = stop;
  resultMenu_->addSeparator();
  item(resultMenu_, QStringLiteral("二维码"));
  item(resultMenu_, QStringLiteral("展开短网址"));
  resultMenu_->addSeparator();
  item(resultMenu_, QStringLiteral("导出结果…"));
  item(resultMenu_, QStringLiteral("备用插件…"));

  pluginMenu_ = Named(new QMenu(this), QStringLiteral("插件菜单"));
  pluginMenu_->setFont(WindowFont(kControlFontPixels));
  items[static_cast<size_t>(MenuItem::EnablePlugin)] = item(pluginMenu_, QStringLiteral("开启插件"));
  items[static_cast<size_t>(MenuItem::DisablePlugin)] = item(pluginMenu_, QStringLiteral("关闭插件"));
  pluginMenu_->addSeparator();
  QAction* modifyConfig = item(pluginMenu_, QStringLiteral("修改配置"));
  modifyConfig->setVisible(false);
  modifyConfig->setEnabled(false);
  items[static_cast<size_t>(MenuItem::ModifyConfig)] = modifyConfig;
  item(pluginMenu_, QStringLiteral("更新插件"));
  item(pluginMenu_, QStringLiteral("编辑插件"));
  item(pluginMenu_, QStringLiteral("在窗口中编辑"));
  item(pluginMenu_, QStringLiteral("新建插件"));
  item(pluginMenu_, QStringLiteral("删除插件"));
  item(pluginMenu_, QStringLiteral("检测插件"));
  item(pluginMenu_, QStringLiteral("插件说明"))->setVisible(false);

  // With no row chosen (an empty Plug folder has none) a new plug-in can still be started.
  newPluginMenu_ = Named(new QMenu(this), QStringLiteral("新建插件菜单"));
  newPluginMenu_->setFont(WindowFont(kControlFontPixels));
  item(newPluginMenu_, QStringLiteral("新建插件"));
  // Beside the rows: every plug-in that is on.
  item(newPluginMenu_, QStringLiteral("检测插件"));
}

void MainWindow::bindEvents(const WindowWidgets& widgets) {
  Controls& ui = *controls_;
  auto onClick = [this](const char* name, auto action) {
    auto* button = findChild<QPushButton*>(QString::fromUtf8(name));
    connect(button, &QPushButton::clicked, this, action);
  };
  auto onChosen = [this](QMenu* menu, const char* name, auto action) {
    auto* chosen = menu->findChild<QAction*>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly);
    connect(chosen, &QAction::triggered, this, action);
  };

  connect(longUrlBox_, &QPlainTextEdit::textChanged, this, [this] { FollowLineCount(longUrlBox_); });
  connect(batchSwitch_, &QCheckBox::clicked, this, &MainWindow::onBatchSwitchClicked);
  onClick("生成_生成按钮", [this, &ui] { actions_.generateClicked(ui); });
  onClick("生成_打开CSV", [this, &ui] {
    const QString path =
        ChooseFileToOpen(this, QStringLiteral("打开 CSV"), QStringLiteral("CSV 文件 (*.csv);;所有文件 (*)"));
    if (!path.isEmpty()) actions_.csvFileChosen(ui, FromQt(path));
  });
  connect(pluginChoice_, &QComboBox::currentIndexChanged, this, [this, &ui] { actions_.pluginChosen(ui); });

  connect(resultList_, &QWidget::customContextMenuRequested, this, [this, &ui] {
    if (!actions_.resultRightClicked(ui)) return;
    // Like copying and opening, these need a link.
    const bool usable = ui.menuItem(MenuItem::CopyUrl).isEnabled();
    for (const char* name : {"二维码", "展开短网址"})
      resultMenu_->findChild<QAction*>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly)->setEnabled(usable);
    popUp(resultMenu_);
  });
  connect(resultList_, &ReportList::doubleClickedAnywhere, this, [this, &ui] { actions_.resultDoubleClicked(ui); });
  onChosen(resultMenu_, "复制网址", [this, &ui] { actions_.copyUrlChosen(ui); });
  onChosen(resultMenu_, "打开网址", [this, &ui] { actions_.openUrlChosen(ui); });
  onChosen(resultMenu_, "停止生成", [this, &ui] { actions_.stopGenerationChosen(ui); });
  // Esc anywhere on the 生成 page stops a running generation.
  auto* escape =
      new QShortcut(QKeySequence(Qt::Key_Escape), tabs_->widget(0), nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
  escape->setObjectName(QStringLiteral("停止生成快捷键"));
  connect(escape, &QShortcut::activated, this, [this, &ui] { actions_.stopGenerationChosen(ui); });
  onChosen(resultMenu_, "二维码", [this] { showQrCode(SelectedLink(resultList_)); });
  onChosen(resultMenu_, "展开短网址", [this, &ui] { actions_.expandUrlChosen(ui, SelectedLink(resultList_)); });
  onChosen(resultMenu_, "备用插件…", [this] { openFallbackDialog(); });
  onChosen(resultMenu_, "导出结果…", [this, &ui] {
    const QString path = ChooseFileToSave(this, QStringLiteral("导出结果"), QStringLiteral("结果.csv"),
                                          QStringLiteral("CSV 文件 (*.csv)"));
    if (!path.isEmpty()) actions_.exportResultsChosen(ui, FromQt(path));
  });
  onClick("设定_备用插件", [this] { openFallbackDialog(); });

  connect(pluginList_, &QWidget::customContextMenuRequested, this, [this, &ui] {
    const bool row = actions_.pluginRightClicked(ui);
    // 修改配置 shows only for a plug-in that names its fields.
    if (row) {
      const int selected = ui.pluginList().selectedRow();
      pluginMenu_->findChild<QAction*>(QStringLiteral("修改配置"))
          ->setVisible(!PluginDefinition::FromFile(ui.pluginList().cell(selected, kPluginPathColumn)).fields().empty());
    }
    popUp(row ? pluginMenu_ : newPluginMenu_);
  });
  connect(pluginList_, &ReportList::doubleClickedAnywhere, this, [this, &ui] { actions_.pluginDoubleClicked(ui); });
  onClick("插件_刷新", [this, &ui] { actions_.refreshClicked(ui); });
  onClick("插件_更新", [this, &ui] { actions_.pullClicked(ui); });
  onChosen(pluginMenu_, "开启插件", [this, &ui] { actions_.enablePluginChosen(ui); });
  onChosen(pluginMenu_, "关闭插件", [this, &ui] { actions_.disablePluginChosen(ui); });
  onChosen(pluginMenu_, "修改配置", [this, &ui] {
    // A plug-in that names its fields gets a form; any other opens its file as before.
    const int row = ui.pluginList().selectedRow();
    const PluginDefinition plugin =
        PluginDefinition::FromFile(row >= 0 ? ui.pluginList().cell(row, kPluginPathColumn) : Text());
    if (plugin.fields().empty()) {
      actions_.modifyConfigChosen(ui);
      return;
    }
    auto* dialog = new PluginFieldsDialog(Paths().deployDir, plugin, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Values stored: the 生成 choice marks what still waits for one.
    connect(dialog, &QDialog::accepted, this, [&ui] { PluginRegistry::refreshChoice(ui); });
    dialog->open();
  });
  onChosen(pluginMenu_, "更新插件", [this, &ui] { actions_.updatePluginChosen(ui); });
  onChosen(pluginMenu_, "编辑插件", [this, &ui] { actions_.editPluginChosen(ui); });
  onChosen(pluginMenu_, "删除插件", [this, &ui] { actions_.deletePluginChosen(ui); });
  onChosen(pluginMenu_, "在窗口中编辑", [this, &ui] {
    const int row = ui.pluginList().selectedRow();
    if (row >= 0) openPluginEditor(ui.pluginList().cell(row, kPluginPathColumn));
  });
  onChosen(pluginMenu_, "新建插件", [this] { openPluginEditor(Text()); });
  onChosen(newPluginMenu_, "新建插件", [this] { openPluginEditor(Text()); });
  onChosen(pluginMenu_, "检测插件", [this, &ui] { actions_.checkPluginsChosen(ui); });
  onChosen(newPluginMenu_, "检测插件", [this, &ui] { actions_.checkPluginsChosen(ui); });

  // clicked, not toggled: states set by code (the start-up task) must not be written back.
  for (size_t i = 0; i < widgets.settingBoxes.size(); ++i) {
    const auto box = static_cast<SettingBox>(i);
    connect(widgets.settingBoxes[i], &QCheckBox::clicked, this,
            [this, &ui, box] { actions_.settingBoxClicked(ui, box); });
  }
  onClick("设定_反馈按钮", [this, &ui] { actions_.feedbackClicked(ui); });

  auto* dropTarget = new FileDropTarget(this);
  connect(dropTarget, &FileDropTarget::filesDropped, this, [this, &ui](const QStringList& paths) {
    std::vector<Text> files;
    for (const QString& path : paths) files.push_back(FromQt(path));
    actions_.filesDropped(ui, files);
  });
}

void MainWindow::onBatchSwitchClicked() {
  const QString kept = longUrlBox_->toPlainText();
  const bool batch = batchSwitch_->isChecked();
  pluginChoice_->setEnabled(batch);
  SetWrapping(longUrlBox_, !batch);
  // Writing the text back runs the line-count rule, which has the last word on the mode.
  longUrlBox_->setPlainText(kept);
}

void MainWindow::popUp(QMenu* menu) { menu->popup(QCursor::pos()); }

QrDialog* MainWindow::showQrCode(const Text& text) {
  auto* dialog = new QrDialog(text, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

void MainWindow::openPluginEditor(const Text& path) {
  auto* editor = new PluginEditorDialog(path, Paths().plugDir, this);
  editor->setAttribute(Qt::WA_DeleteOnClose);
  connect(editor, &PluginEditorDialog::saved, this, [this] { actions_.pluginSaved(*controls_); });
  editor->show();
}

FallbackDialog* MainWindow::openFallbackDialog() {
  std::vector<Text> names;
  ListControl& list = controls_->pluginList();
  for (int row = 0; row < list.rowCount(); ++row) names.push_back(list.cell(row, kPluginNameColumn));
  auto* dialog = new FallbackDialog(names, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &FallbackDialog::saved, this, [this](bool stored, const std::vector<Text>& chosen) {
    Text status = chosen.empty() ? Text("已清除备用插件") : "备用插件：" + Join(chosen, " → ");
    if (!stored) status = "备用插件未能保存：无法写入 Setting.ini";
    controls_->setStatusText(status);
  });
  dialog->show();
  return dialog;
}

void MainWindow::placeControls() {
  const int extraWidth = std::max(0, width() - kBaseSize.width());
  const int extraHeight = std::max(0, height() - kBaseSize.height());
  for (const Place& place : places_) {
    // Pages sit below the tab strip, whose height the style decides: places follow the pages.
    const QWidget* parent = place.widget->parentWidget();
    const QPoint corner = parent == this ? QPoint(0, 0) : parent->mapTo(this, QPoint(0, 0));
    place.widget->setGeometry(Grown(place.base, place.growth, extraWidth, extraHeight).translated(-corner));
  }
  for (ReportList* list : {resultList_, pluginList_, historyWidgets_.list})
    if (list) list->widenLastColumn(extraWidth);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  placeControls();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeControls();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (hidesOnClose_ && hidesOnClose_()) {
    event->ignore();
    StoreWindowPlacement(*this);
    hide();
    return;
  }
  event->accept();
  StoreWindowPlacement(*this);
  hide();
  FinishGenerations();
  actions_.windowClosing(*controls_, [] {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  });
  // A copied link would go with the process.
  HandOverClipboard();
  std::_Exit(0);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Move || event->type() == QEvent::Resize) placeControls();
  return QWidget::eventFilter(watched, event);
}

}  // namespace pindle
