#pragma once
// "Model Selection": the first window of the program.

#include <QDialog>

class QRadioButton;

namespace kaspen {

class ModelSelectDialog : public QDialog {
    Q_OBJECT
public:
    explicit ModelSelectDialog(QWidget *parent = nullptr);

    // The chosen model code (7, 13, 2), 0 while none is chosen.
    int modelCode() const { return m_model; }
    QRadioButton *radio(int modelCode) const;

public slots:
    void accept() override;

private:
    int m_model = 0;
    QRadioButton *m_a;
    QRadioButton *m_b;
    QRadioButton *m_c;
};

// Starts the companion program "ORVEL-C.exe" (on systems without .exe, a file
// "ORVEL-C") from the executable's directory; failure is ignored.
void startCompanionProgram();
QString companionProgramPath();

} // namespace kaspen
