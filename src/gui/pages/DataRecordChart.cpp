#include "gui/pages/DataRecordChart.h"
#include "pages/datarecord/DataRecordModel.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QToolTip>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>

namespace kaspen {

namespace {
// The logger's wall clock shown as it is, whatever the computer's zone.
qint64 axisTime(const QDateTime &wall)
{
    return QDateTime(wall.date(), wall.time(), Qt::LocalTime).toMSecsSinceEpoch();
}

bool isState(const DataRecordModel::Column &c)
{
    return c.kind == DataRecordModel::Column::Digital || c.kind == DataRecordModel::Column::Relay;
}
} // namespace

DataRecordChart::DataRecordChart(const DataRecordModel &model, QWidget *parent) : QWidget(parent), m_model(model)
{
    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignRight);
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_time = new QDateTimeAxis;
    m_time->setFormat(QStringLiteral("MM/dd hh:mm"));
    m_time->setTitleText(QStringLiteral("Time"));
    m_values = new QValueAxis;
    m_values->setTitleText(QStringLiteral("Value"));
    m_states = new QCategoryAxis;
    m_states->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_states->setGridLineVisible(false);
    m_chart->addAxis(m_time, Qt::AlignBottom);
    m_chart->addAxis(m_values, Qt::AlignLeft);
    m_chart->addAxis(m_states, Qt::AlignRight);
    m_view = new QChartView(m_chart, this);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setAccessibleName(QStringLiteral("Chart"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    rebuild();
}

QString DataRecordChart::hoverText(const QString &series, qint64 msecs, double value)
{
    return QStringLiteral("%1\n%2\n%3")
        .arg(series, QDateTime::fromMSecsSinceEpoch(msecs).toString(QStringLiteral("MM/dd/yyyy hh:mm:ss")))
        .arg(value);
}

QList<QLineSeries *> DataRecordChart::seriesList() const
{
    QList<QLineSeries *> out;
    for (QAbstractSeries *s : m_chart->series())
        out << static_cast<QLineSeries *>(s);
    return out;
}

void DataRecordChart::rebuild()
{
    m_chart->removeAllSeries();
    m_series.clear();
    m_stateOffset.clear();
    m_any = false;
    m_plotted = 0;
    const auto &columns = m_model.columns();
    int states = 0;
    for (int c = 0; c < columns.size(); ++c) {
        const DataRecordModel::Column &col = columns.at(c);
        if (col.kind != DataRecordModel::Column::Analog && !isState(col))
            continue;
        auto *s = new QLineSeries;
        s->setName(col.title);
        m_chart->addSeries(s);
        s->attachAxis(m_time);
        if (isState(col)) {
            s->attachAxis(m_states);
            QPen pen = s->pen();
            pen.setStyle(Qt::DashLine);
            s->setPen(pen);
            m_stateOffset.insert(s, 2 * states++);
        } else {
            s->attachAxis(m_values);
        }
        connect(s, &QLineSeries::hovered, this, [this, s](const QPointF &p, bool state) {
            if (!state) {
                QToolTip::hideText();
                return;
            }
            const double v = m_stateOffset.contains(s) ? p.y() - m_stateOffset.value(s) : p.y();
            QToolTip::showText(QCursor::pos(), hoverText(s->name(), qint64(p.x()), v), m_view);
        });
        m_series.insert(c, s);
    }
    // One band per input or relay, labelled with its column title at its "on" level.
    for (const QString &label : m_states->categoriesLabels())
        m_states->remove(label);
    QList<std::pair<int, QString>> bands;
    for (auto it = m_stateOffset.cbegin(); it != m_stateOffset.cend(); ++it)
        bands.append({it.value(), it.key()->name()});
    std::sort(bands.begin(), bands.end());
    for (const auto &[offset, name] : bands)
        m_states->append(name, offset + 1);
    m_states->setStartValue(-0.5);
    m_states->setRange(-0.5, std::max(1, 2 * states) - 0.5);
    m_states->setVisible(states > 0);
    for (QLegendMarker *marker : m_chart->legend()->markers()) {
        connect(marker, &QLegendMarker::clicked, this, [marker] {
            QAbstractSeries *s = marker->series();
            s->setVisible(!s->isVisible());
            marker->setVisible(true);
            QFont f = marker->font();
            f.setStrikeOut(!s->isVisible());
            marker->setFont(f);
            QColor c = marker->labelBrush().color();
            c.setAlphaF(s->isVisible() ? 1.0 : 0.4);
            marker->setLabelBrush(c);
        });
    }
    addRows(0, int(m_model.rows().size()));
}

void DataRecordChart::addPoint(int column, QLineSeries *s, int row)
{
    const DataRecordModel::Row &r = m_model.rows().at(row);
    if (!r.when.isValid())
        return;
    bool ok = false;
    const double v = m_model.cell(row, column).toDouble(&ok);
    if (!ok)
        return;
    const qint64 t = axisTime(r.when);
    if (m_stateOffset.contains(s)) {
        const double y = m_stateOffset.value(s) + (v != 0 ? 1.0 : 0.0);
        if (s->count() > 0)
            s->append(double(t), s->at(s->count() - 1).y()); // a step, not a slope
        s->append(double(t), y);
        return;
    }
    s->append(double(t), v);
    if (!m_any) {
        m_min = m_max = v;
    }
    m_min = std::min(m_min, v);
    m_max = std::max(m_max, v);
    if (!m_any || t < m_first)
        m_first = t;
    if (!m_any || t > m_last)
        m_last = t;
    m_any = true;
}

void DataRecordChart::addRows(int first, int count)
{
    // Rows already plotted (a rebuild took them) are not plotted twice.
    const int end = std::min(first + count, int(m_model.rows().size()));
    first = std::max(first, m_plotted);
    count = std::max(0, end - first);
    m_plotted = std::max(m_plotted, end);
    for (int row = first; row < first + count && row < m_model.rows().size(); ++row) {
        const DataRecordModel::Row &r = m_model.rows().at(row);
        if (r.when.isValid()) {
            const qint64 t = axisTime(r.when);
            if (!m_any || t < m_first)
                m_first = t;
            if (!m_any || t > m_last)
                m_last = t;
        }
        for (auto it = m_series.cbegin(); it != m_series.cend(); ++it)
            addPoint(it.key(), it.value(), row);
    }
    fitAxes();
}

void DataRecordChart::fitAxes()
{
    if (!m_any) {
        const QDateTime now = QDateTime::currentDateTime();
        m_time->setRange(now.addSecs(-3600), now);
        m_values->setRange(0, 1);
        return;
    }
    const qint64 span = std::max<qint64>(m_last - m_first, 60000);
    m_time->setRange(QDateTime::fromMSecsSinceEpoch(m_first), QDateTime::fromMSecsSinceEpoch(m_first + span));
    m_time->setFormat(span > 2 * 86400000LL ? QStringLiteral("MM/dd") : QStringLiteral("MM/dd hh:mm"));
    const double pad = std::max((m_max - m_min) * 0.05, 0.5);
    m_values->setRange(m_min - pad, m_max + pad);
    m_values->applyNiceNumbers();
}

} // namespace kaspen
