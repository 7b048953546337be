#include "app/gui/about_text.h"

#include <QStringList>
#include <initializer_list>

#include "config/version.h"

namespace pindle {
namespace {

struct Release {
  const char* version;
  std::initializer_list<const char*> entries;
};

// clang-format off
const Release kReleases[] = {
    {"2.4.4.1", {"修改丨云更新插件地址"}},
    {"2.4.3.2", {"修改丨云更新地址迁移至新的代码托管平台", "增加丨插件右键单独更新功能"}},
    {"2.4.3.1", {"修改丨本地插件修改为云端数据", "增加丨拉取云端插件数据保存到本地", "增加丨插件源编辑（新手勿改动）",
                 "增加丨本地插件可删除", "去除丨自动检测是否为批量网址生成", "去除丨去除插件配置，Key移动至插件源"}},
    {"2.3.28.2", {"增加丨双击短网址复制到剪辑版", "修复丨切换生成方式后无法导入文件"}},
    {"2.3.28.1", {"增加丨可用拖放的方式导入链接", "增加丨纵向横向滚动条，自动切换", "修改丨批量生成时关闭自动换行"}},
    {"2.0.0326", {"增加丨软件更新检测", "增加丨软件反馈功能", "增加丨打开软件后自动加载插件",
                  "增加丨插件 开启/关闭（双击或右键均可）", "增加丨插件列表右键菜单", "修改丨软件版本号",
                  "修改丨配置按钮转移到右键菜单", "修改丨关于由简单超文本框更改为编辑框"}},
};
// clang-format on

}  // namespace

QString AboutText() {
  const QString rule(10, QLatin1Char('-'));
  QStringList lines{QStringLiteral("0 × 01 软件说明"),
                    rule,
                    QStringLiteral("软件信息："),
                    QStringLiteral(" ● 软件名称：Pindle"),
                    QStringLiteral(" ● 最新版本：") + QString::fromUtf8(kProgramVersion),
                    QStringLiteral(" ● 编译日期：2020-04-04"),
                    QString(),
                    QStringLiteral("0 × 02 更新记录"),
                    rule};
  for (const Release& release : kReleases) {
    lines << QStringLiteral(" ● v") + QString::fromUtf8(release.version);
    for (const char* entry : release.entries) lines << QStringLiteral("  -- ") + QString::fromUtf8(entry);
    lines << QString();
  }
  return lines.join(QLatin1Char('\n'));
}

QString PathsLine(const AppPaths& paths) {
  return QStringLiteral("文件位置：设置 %1，插件 %2，配置 %3")
      .arg(QString::fromStdString(paths.settingsFile), QString::fromStdString(paths.plugDir),
           QString::fromStdString(paths.deployDir));
}

}  // namespace pindle
