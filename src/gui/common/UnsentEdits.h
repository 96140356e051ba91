#pragma once
// Fields the user has changed on a page and not set on the logger yet.
//
// A changed value (typed, pasted, chosen, filled in) is marked (an amber frame, and the
// accessible description "Changed, not set yet") until its set button has
// sent it successfully or the page's values are replaced by the logger's
// (a read reply, Clear). Before a read replaces a page's values, the main
// window asks, naming the marked fields.

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QAbstractButton;
class QWidget;

namespace kaspen::ui {

class UnsentEdits : public QObject {
    Q_OBJECT
public:
    explicit UnsentEdits(QObject *parent = nullptr);

    // Watches every line edit and combo box under page, and its buttons.
    void watch(QWidget *page);

    bool isMarked(const QWidget *field) const;
    // The accessible names of the marked fields under page, in page order.
    QStringList marked(const QWidget *page) const;
    // The page's values were replaced by the logger's: no mark stays.
    void clear(const QWidget *page);

    // A command has started: it carries the fields of the set button pressed
    // just before it, if any.
    void commandStarted();
    // The command that followed a set button has ended: on success the
    // fields of that button are set.
    void commandFinished(bool success);

    static QString description() { return QStringLiteral("Changed, not set yet"); }

signals:
    void markChanged(QWidget *field, bool marked);

private:
    void setMarked(QWidget *field, bool on);
    void buttonClicked(QAbstractButton *button);
    // The fields a button sends: those of its grid row(s) next to it, else
    // those of the same layout.
    QList<QWidget *> fieldsOf(QAbstractButton *button) const;

    struct Saved {
        QString description;
        QString styleSheet;
    };
    QHash<QWidget *, Saved> m_marked;
    QList<QPointer<QWidget>> m_pending;
    bool m_clicked = false; // a button was pressed since the last command started
};

} // namespace kaspen::ui
