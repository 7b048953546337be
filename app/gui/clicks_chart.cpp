#include "app/gui/clicks_chart.h"

#include <QDateTime>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>

#include "app/gui/text_convert.h"

namespace pindle {
namespace {

QFont SmallFont(const QWidget* widget) {
  QFont font = widget->font();
  font.setPixelSize(10);
  return font;
}

}  // namespace

ClicksChart::ClicksChart(QWidget* parent) : QChartView(parent) {
  auto* chart = new QChart;
  chart->legend()->hide();
  chart->setMargins(QMargins(2, 2, 2, 2));
  chart->setBackgroundRoundness(0);
  chart->setTitleFont(SmallFont(this));
  setChart(chart);
  setRenderHint(QPainter::Antialiasing);
  showNothing(QStringLiteral("选中一行并刷新点击后显示每日点击"));
}

void ClicksChart::clearSeries() {
  QChart* c = chart();
  c->removeAllSeries();
  for (QAbstractAxis* axis : c->axes()) {
    c->removeAxis(axis);
    delete axis;
  }
  shown_.clear();
}

void ClicksChart::showNothing(const QString& why) {
  clearSeries();
  setToolTip(QString());
  chart()->setTitle(why);
}

void ClicksChart::showSeries(const Text& link, const std::vector<DayClicks>& days) {
  if (days.empty()) {
    showNothing(QStringLiteral("服务没有给出每日点击"));
    return;
  }
  clearSeries();
  QChart* c = chart();
  auto* line = new QLineSeries;
  std::int64_t most = 0;
  for (const DayClicks& d : days) {
    const QDateTime day(QDate::fromString(ToQt(d.day), Qt::ISODate), QTime(12, 0));
    line->append(static_cast<qreal>(day.toMSecsSinceEpoch()), static_cast<qreal>(d.clicks));
    most = std::max(most, d.clicks);
  }
  line->setPointsVisible(days.size() <= 40);
  c->addSeries(line);
  auto* dates = new QDateTimeAxis;
  dates->setFormat(QStringLiteral("MM-dd"));
  dates->setLabelsFont(SmallFont(this));
  c->addAxis(dates, Qt::AlignBottom);
  line->attachAxis(dates);
  auto* counts = new QValueAxis;
  counts->setLabelFormat(QStringLiteral("%d"));
  counts->setRange(0, static_cast<qreal>(std::max<std::int64_t>(most, 1)));
  counts->setTickCount(3);
  counts->setLabelsFont(SmallFont(this));
  c->addAxis(counts, Qt::AlignLeft);
  line->attachAxis(counts);
  if (days.size() == 1) {  // one day: an axis of no length cannot be drawn
    const QDateTime day(QDate::fromString(ToQt(days[0].day), Qt::ISODate), QTime(12, 0));
    dates->setRange(day.addDays(-1), day.addDays(1));
  }
  std::int64_t total = 0;
  for (const DayClicks& d : days) total += d.clicks;
  // The link is the selected row's; the title names it only where there is room.
  linkText_ = ToQt(link);
  summary_ = QString::number(days.size()) + QStringLiteral(" 天 ") + QString::number(total) + QStringLiteral(" 次点击");
  shown_ = days;
  fitDateTicks();
}

void ClicksChart::resizeEvent(QResizeEvent* event) {
  QChartView::resizeEvent(event);
  fitDateTicks();
}

// A date label needs about 70 pixels: fewer ticks on a narrow chart, never elided labels.
void ClicksChart::fitDateTicks() {
  if (shown_.empty()) return;
  const bool wide = width() >= 400;
  // A low chart keeps its height for the dates; its summary is then the tool tip.
  chart()->setTitle(height() < 120 ? QString() : wide ? linkText_ + QStringLiteral("：") + summary_ : summary_);
  setToolTip(linkText_ + QStringLiteral("：") + summary_);
  for (QAbstractAxis* axis : chart()->axes(Qt::Horizontal))
    if (auto* dates = qobject_cast<QDateTimeAxis*>(axis))
      dates->setTickCount(std::clamp(width() / 70, 2, std::min(8, std::max(2, static_cast<int>(shown_.size())))));
}

}  // namespace pindle
