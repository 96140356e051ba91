#pragma once
// A chart of the Data Record page's result list: every analog channel column
// against the rows' times, one line per channel named by its column title;
// digital inputs and relay outputs as step lines on an axis of their own.
// The legend hides and shows a series; hovering a line tells its value.

#include <QHash>
#include <QWidget>

class QCategoryAxis;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace kaspen {

class DataRecordModel;

class DataRecordChart : public QWidget {
    Q_OBJECT
public:
    explicit DataRecordChart(const DataRecordModel &model, QWidget *parent = nullptr);

    // Everything again (the list was reset or got columns).
    void rebuild();
    // Rows first ... first + count - 1 were added.
    void addRows(int first, int count);

    QList<QLineSeries *> seriesList() const;
    QChartView *view() const { return m_view; }
    // The text the hover tip shows for a point of a series.
    static QString hoverText(const QString &series, qint64 msecs, double value);

private:
    void addPoint(int column, QLineSeries *s, int row);
    void fitAxes();

    const DataRecordModel &m_model;
    QChartView *m_view;
    QChart *m_chart;
    QDateTimeAxis *m_time;
    QValueAxis *m_values;
    QCategoryAxis *m_states;
    QHash<int, QLineSeries *> m_series; // by column
    QHash<QLineSeries *, int> m_stateOffset;
    double m_min = 0, m_max = 0;
    qint64 m_first = 0, m_last = 0;
    bool m_any = false;
    int m_plotted = 0; // rows of the model in the series
};

} // namespace kaspen
