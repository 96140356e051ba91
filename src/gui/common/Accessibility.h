#pragma once
// What screen readers need beyond Qt's defaults:
// - a combo box is announced by its label (its accessible name) with the
//   chosen entry as its value, on every platform;
// - the status area's result is a text that is announced when it changes.

#include <QLabel>

namespace kaspen::ui {

// Installs the program's accessible interfaces (once; later calls do nothing).
void installAccessibility();

// The result text of the status area ("Command Success", "Password Error"...).
// Its accessible name stays the label ("Status"); the text is its value and
// its text interface, and every change is sent as a text update and a value
// change, so screen readers read it out.
class StatusText : public QLabel {
    Q_OBJECT
public:
    explicit StatusText(const QString &name, QWidget *parent = nullptr);
    // Shows text; announces it when it differs from what was shown.
    void showText(const QString &text);
};

} // namespace kaspen::ui
