#pragma once
#include <QDialog>
#include <vector>

#include "platform/types.h"

class QListWidget;

namespace pindle {

// 备用插件…: which plug-ins a line goes to when the chosen one gives it no link, and in what
// order. Every plug-in name is listed, the stored ones first in their order and ticked; 上移 and
// 下移 move the selected one; 确定 stores the ticked names in list order ("备用插件").
class FallbackDialog : public QDialog {
  Q_OBJECT
 public:
  FallbackDialog(const std::vector<Text>& pluginNames, QWidget* parent = nullptr);
  // The ticked names in list order, as 确定 stores them.
  std::vector<Text> chosen() const;

 signals:
  // 确定 was pressed; `stored` tells whether the settings file took the names.
  void saved(bool stored, const std::vector<Text>& names);

 private:
  void move(int by);
  void store();

  QListWidget* list_ = nullptr;
};

}  // namespace pindle
