#include "gui/ModelSelectDialog.h"
#include "base/MessageSink.h"
#include "session/Session.h"
#include "gui/common/Pictures.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kaspen {

ModelSelectDialog::ModelSelectDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Model Selection"));
    setWindowIcon(ui::applicationIcon());
    // Shown in the task bar like a main window.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("Please select model (Version V7.1)"), this);
    layout->addWidget(label);

    auto *grid = new QGridLayout;
    auto addRow = [&](int row, const QString &name, const QString &description) {
        auto *radio = new QRadioButton(name, this);
        radio->setAccessibleName(name);
        radio->setAccessibleDescription(description);
        auto *text = new QLabel(description, this);
        text->setBuddy(radio);
        grid->addWidget(radio, row, 0);
        grid->addWidget(text, row, 1);
        return radio;
    };
    m_a = addRow(0, QStringLiteral("ORVEL-A"), QStringLiteral("Multipoint Temperature SMS Data Logger"));
    m_c = addRow(1, QStringLiteral("ORVEL-C"), QStringLiteral("Multipoint Temperature NET Data Logger"));
    m_b = addRow(2, QStringLiteral("ORVEL-B"), QStringLiteral("Multipoint Temperature SMS NET Data Logger"));
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(16);
    layout->addLayout(grid);

    // No radio is selected at start.
    auto *group = new QButtonGroup(this);
    group->addButton(m_a, ModelOrvelA);
    group->addButton(m_c, ModelOrvelC);
    group->addButton(m_b, ModelOrvelB);
    // The checked state counts, however it came (mouse, keyboard, a screen
    // reader's toggle action, setChecked).
    connect(group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            m_model = id;
    });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ModelSelectDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ModelSelectDialog::reject);
    layout->addWidget(buttons);
}

QRadioButton *ModelSelectDialog::radio(int modelCode) const
{
    switch (modelCode) {
    case ModelOrvelA: return m_a;
    case ModelOrvelB: return m_b;
    case ModelOrvelC: return m_c;
    default: return nullptr;
    }
}

void ModelSelectDialog::accept()
{
    if (m_model == 0) {
        showMessage(QStringLiteral("Please Select suitable model"));
        return;
    }
    QDialog::accept();
}

QString companionProgramPath()
{
    const QString dir = QCoreApplication::applicationDirPath();
#ifdef Q_OS_WIN
    return QDir(dir).filePath(QStringLiteral("ORVEL-C.exe"));
#else
    const QString exe = QDir(dir).filePath(QStringLiteral("ORVEL-C.exe"));
    if (QFile::exists(exe))
        return exe;
    return QDir(dir).filePath(QStringLiteral("ORVEL-C"));
#endif
}

void startCompanionProgram()
{
    QProcess::startDetached(companionProgramPath(), {});
}

} // namespace kaspen
