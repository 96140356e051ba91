#pragma once
// The batch list: the batch command table shown as a checklist, one row per
// command, with the description of each command and the status of the last
// run. A Qt table model (QtCore only); the page's view shows it as it is.

#include "records/CommandDescription.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>
#include <vector>

namespace kaspen {

struct BatchRow {
    int id = 0;            // stable identity within the list (not shown)
    QByteArray number;     // column 0, "%02d" from 1
    QString status;        // column 1: "", "Ready", "Command Sending" or the result text
    QByteArray text;       // column 2 (hidden): the command text to send
    int code = 0;          // column 3 (hidden): the command code
    QByteArray object;     // column 4
    QByteArray parameters; // column 5
    bool checked = false;
};

// Texts of a row's status.
namespace batchstatus {
inline const char *const Ready = "Ready";
inline const char *const Sending = "Command Sending";
// A command that could not be handed to the link at all (port gone, send error).
inline const char *const SendFail = "Command Send Fail";
// The link went away while the command was waiting for its reply.
inline const char *const LineLost = "Connection Error";
// A row of a cancelled run that was never sent.
inline const char *const NotSent = "Not sent";
} // namespace batchstatus

// Colours as 0xRRGGBB (the core does not link QtGui).
namespace batchcolour {
inline constexpr unsigned White = 0xFFFFFF;
inline constexpr unsigned OddRow = 0xE6EBEB;   // RGB(230, 235, 235)
inline constexpr unsigned Black = 0x000000;
inline constexpr unsigned Green = 0x008000;    // "Success"
inline constexpr unsigned Red = 0xFF0000;      // "Fail", "Error"
inline constexpr unsigned Blue = 0x0000FF;     // "Time Out"
} // namespace batchcolour

// The background of row r (counted from 0).
unsigned batchRowBackground(int row);
// The colour of a Status text.
unsigned batchStatusColour(const QString &status);

// A recorded text as it is shown and sent for the device whose current Setup
// password is pw: a text made for another password gets pw instead. A "#PS"
// text keeps the 18 characters after its password (the new passwords); any
// other text has its password replaced where it stands at the head of a
// command (the start, or right after a '#' and followed by '#'), never inside
// a value. An empty pw leaves the text as it is.
QByteArray withCurrentPassword(const QByteArray &text, const QByteArray &pw);

class BatchListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColNumber = 0, ColStatus, ColText, ColCode, ColObject, ColParameters, ColumnCount };
    enum Role { BackgroundRgbRole = Qt::UserRole + 1, ForegroundRgbRole };
    static constexpr int WideStatus = 200;
    static constexpr int NarrowStatus = 185;

    explicit BatchListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // Rebuilds every row from the table entries (ascending codes): empty texts
    // and, unless band is set, the GSM band command (11008) are left out;
    // texts get the current Setup password pw; every row's check box is c.
    void rebuild(const std::vector<std::pair<int, QByteArray>> &entries, const QByteArray &pw, bool band, bool c);
    // Deletes every row ("Buffer Clear", the GSM modem link).
    void clearRows();
    // Deletes the given rows (view row numbers), the table stays as it is.
    void removeRowList(QList<int> rows);
    void setAllChecked(bool checked);
    void setChecked(int row, bool checked);

    const BatchRow &row(int r) const { return m_rows[size_t(r)]; }
    int rowOfId(int id) const; // -1 when the row is gone
    void setStatus(int r, const QString &status);
    // Changes the text to send and the Parameters cell (Auto Station ID).
    void setTextAndParameters(int r, const QByteArray &text, const QByteArray &parameters);

    int statusWidth() const { return m_statusWidth; }

signals:
    void statusWidthChanged(int width);

private:
    void setStatusWidth(int w);

    std::vector<BatchRow> m_rows;
    int m_nextId = 1;
    int m_statusWidth = WideStatus;
};

} // namespace kaspen
