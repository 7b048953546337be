#pragma once
#include <QtCharts/QChartView>
#include <vector>

#include "generate/click_series.h"

namespace pindle {

// The 历史 page's chart of one link's clicks by day (Qt Charts): a line over the days the
// service gave, dates along the foot; or a line of text saying why there is none.
class ClicksChart : public QChartView {
  Q_OBJECT
 public:
  explicit ClicksChart(QWidget* parent = nullptr);
  void showSeries(const Text& link, const std::vector<DayClicks>& days);
  void showNothing(const QString& why);
  // What it shows now: the days drawn (empty when none), for tests.
  const std::vector<DayClicks>& shownDays() const { return shown_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void clearSeries();
  void fitDateTicks();
  std::vector<DayClicks> shown_;
  QString linkText_, summary_;
};

}  // namespace pindle
