#include "gui/pages/AlarmMessagePage.h"

#include "gui/common/ReadButtonWidget.h"
#include "gui/common/SetButtonWidget.h"
#include "pages/alarms/AlarmMessageModel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kaspen {

using namespace alarmslots;

namespace {

QString qs(const QByteArray &b) { return QString::fromLocal8Bit(b); }
QByteArray bytes(const QString &s) { return s.toLocal8Bit(); }

// Grid columns: the row label, then per column group Set, Text, Message
// Content and Read, with a gap between the groups.
constexpr int LabelColumn = 0;
constexpr int CellsPerGroup = 4;
constexpr int GapColumns = 1;
int firstColumnOf(int group) { return 1 + group * (CellsPerGroup + GapColumns); }
constexpr int TitleRow = 0;
constexpr int HeadingRow = 1;
constexpr int FirstCellRow = 2;

QLabel *heading(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

} // namespace

AlarmMessagePage::AlarmMessagePage(Session &session, AlarmPage page, QWidget *parent)
    : QWidget(parent), m_model(new AlarmMessageModel(session, page, this)), m_page(page)
{
    setObjectName(page == AlarmPage::Ad ? QStringLiteral("adAlarmMessagePage") : QStringLiteral("inAlarmMessagePage"));
    build();
    connect(m_model, &AlarmMessageModel::cellChanged, this, &AlarmMessagePage::refreshCell);
    for (int row = 0; row < m_model->rowCount(); ++row)
        for (int column = 0; column < Columns; ++column)
            refreshCell(row, column);
}

AlarmMessagePage::~AlarmMessagePage() = default;

void AlarmMessagePage::handleMessage(const PageMessage &m)
{
    // WM_USER+50 alarm text read replies, WM_USER+15 Clear
    m_model->handleMessage(m);
}

void AlarmMessagePage::build()
{
    auto *outer = new QVBoxLayout(this);
    QWidget *area = this;
    QVBoxLayout *inner = outer;
    if (!groupTitle(m_page).isEmpty()) {
        // The IN page holds its rows in the group "Alarm Message Setup".
        auto *group = new QGroupBox(qs(groupTitle(m_page)), this);
        outer->addWidget(group);
        inner = new QVBoxLayout(group);
        area = group;
    }

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    inner->addLayout(grid);

    const int rows = m_model->rowCount();
    const int lastRow = FirstCellRow + rows - 1;
    // The column groups' frames lie under their cells; their titles take
    // the first grid row.
    for (int group = 0; group < Columns; ++group) {
        auto *frame = new QGroupBox(qs(columnTitle(m_page, group)), area);
        frame->setObjectName(QStringLiteral("columnGroup%1").arg(group));
        grid->addWidget(frame, TitleRow, firstColumnOf(group), lastRow - TitleRow + 1,
                        CellsPerGroup);
        frame->lower();
        grid->setColumnStretch(firstColumnOf(group) + 2, 1);
    }
    grid->setRowMinimumHeight(TitleRow, fontMetrics().height() + 2);
    if (GapColumns)
        grid->setColumnMinimumWidth(firstColumnOf(0) + CellsPerGroup, 8);

    for (int group = 0; group < Columns; ++group) {
        const int c0 = firstColumnOf(group);
        grid->addWidget(heading(QStringLiteral("Set"), area), HeadingRow, c0);
        grid->addWidget(heading(QStringLiteral("Text"), area), HeadingRow, c0 + 1);
        grid->addWidget(heading(QStringLiteral("Message Content"), area), HeadingRow, c0 + 2);
        grid->addWidget(heading(QStringLiteral("Read"), area), HeadingRow, c0 + 3);
    }

    m_cells.resize(rows * Columns);
    m_rowLabels.resize(rows);
    for (int row = 0; row < rows; ++row) {
        const int gridRow = FirstCellRow + row;
        auto *label = new QLabel(qs(alarmslots::rowLabel(m_page, row)), area);
        m_rowLabels[row] = label;
        grid->addWidget(label, gridRow, LabelColumn);
        for (int column = 0; column < Columns; ++column) {
            const int s = slot(m_page, row, column);
            const QString name = qs(cellName(m_page, row, column));
            CellWidgets &w = m_cells[row * Columns + column];
            w.set = new SetButtonWidget(name + QStringLiteral(" Message"), area);
            w.set->setObjectName(QStringLiteral("set%1").arg(qs(slotText(s))));
            w.set->setAutoDefault(false);
            w.box = new QCheckBox(area);
            w.box->setObjectName(QStringLiteral("text%1").arg(qs(slotText(s))));
            w.box->setAccessibleName(name + QStringLiteral(" Text"));
            w.box->setToolTip(QStringLiteral("Text Message"));
            w.edit = new QLineEdit(area);
            w.edit->setObjectName(QStringLiteral("message%1").arg(qs(slotText(s))));
            w.edit->setAccessibleName(name + QStringLiteral(" Message"));
            w.edit->setMinimumWidth(120);
            w.read = new ReadButtonWidget(name + QStringLiteral(" Message"), area);
            w.read->setObjectName(QStringLiteral("read%1").arg(qs(slotText(s))));
            w.read->setAutoDefault(false);
            if (column == 0)
                label->setBuddy(w.edit);

            const int c0 = firstColumnOf(column);
            grid->addWidget(w.set, gridRow, c0);
            grid->addWidget(w.box, gridRow, c0 + 1, Qt::AlignCenter);
            grid->addWidget(w.edit, gridRow, c0 + 2);
            grid->addWidget(w.read, gridRow, c0 + 3);

            connect(w.set, &QPushButton::clicked, this, [this, row, column] { m_model->sendSet(row, column); });
            connect(w.read, &QPushButton::clicked, this, [this, row, column] { m_model->sendRead(row, column); });
            connect(w.box, &QCheckBox::toggled, this, [this, row, column](bool on) { m_model->setTicked(row, column, on); });
            connect(w.edit, &QLineEdit::textChanged, this,
                    [this, row, column](const QString &t) { m_model->setText(row, column, bytes(t)); });

            if (!rowShown(m_page, row)) {
                // "IN05" ... "IN10" are there, but hidden.
                for (QWidget *x : {static_cast<QWidget *>(w.set), static_cast<QWidget *>(w.box),
                                   static_cast<QWidget *>(w.edit), static_cast<QWidget *>(w.read)})
                    x->hide();
            }
        }
        if (!rowShown(m_page, row))
            label->hide();
    }
    // Frame margins: a little room inside the column groups.
    grid->setRowMinimumHeight(lastRow + 1, 6);

    auto *notes = new QVBoxLayout;
    notes->setSpacing(2);
    notes->addWidget(new QLabel(qs(noteEnabled()), area));
    notes->addWidget(new QLabel(qs(noteDisabled()), area));
    inner->addSpacing(6);
    inner->addLayout(notes);
    inner->addStretch(1);
    if (area != this)
        outer->addStretch(1);
}

void AlarmMessagePage::refreshCell(int row, int column)
{
    if (row < 0 || row >= m_model->rowCount() || column < 0 || column >= Columns)
        return;
    const CellWidgets &w = m_cells[row * Columns + column];
    if (w.box->isChecked() != m_model->ticked(row, column)) {
        const QSignalBlocker block(w.box);
        w.box->setChecked(m_model->ticked(row, column));
    }
    const QString t = qs(m_model->text(row, column));
    if (w.edit->text() != t) {
        const QSignalBlocker block(w.edit);
        w.edit->setText(t);
    }
}

const AlarmMessagePage::CellWidgets *AlarmMessagePage::widgetsOf(int s) const
{
    AlarmPage page;
    int row = 0, column = 0;
    if (!locate(s, &page, &row, &column) || page != m_page)
        return nullptr;
    return &m_cells[row * Columns + column];
}

QLineEdit *AlarmMessagePage::messageEdit(int s) const
{
    const CellWidgets *w = widgetsOf(s);
    return w ? w->edit : nullptr;
}

QCheckBox *AlarmMessagePage::textBox(int s) const
{
    const CellWidgets *w = widgetsOf(s);
    return w ? w->box : nullptr;
}

QPushButton *AlarmMessagePage::setButton(int s) const
{
    const CellWidgets *w = widgetsOf(s);
    return w ? w->set : nullptr;
}

QPushButton *AlarmMessagePage::readButton(int s) const
{
    const CellWidgets *w = widgetsOf(s);
    return w ? w->read : nullptr;
}

} // namespace kaspen
