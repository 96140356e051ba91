// The manual pages keep in step with the programs: every option that a
// program's --help names is described in its manual page.

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct Help {
    bool answered = false; // false: the program started its window instead
    QString text;
};

// Runs "program --help". A program that does not know --help starts its
// window; that is seen by the model selection dialog appearing (the
// accessibility log names it), and the program is ended.
Help runHelp(const QString &program)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.accessibility.cache.debug=true"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KASPEN_BIN_DIR "/") + program, {QStringLiteral("--help")});
    Help h;
    if (!p.waitForStarted(30000))
        return h;
    QByteArray err;
    const QDeadlineTimer deadline(120000);
    while (!p.waitForFinished(100)) {
        err += p.readAllStandardError();
        if (err.contains("\"Model Selection\"") || deadline.hasExpired()) {
            p.kill();
            p.waitForFinished();
            return h;
        }
    }
    h.answered = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    h.text = QString::fromLocal8Bit(p.readAllStandardOutput());
    return h;
}

// Long options anywhere in the text; short ones where a line of the option
// list starts with them ("  -h, --help").
QStringList optionsOf(const QString &help)
{
    QSet<QString> seen;
    QStringList options;
    static const QRegularExpression longOption(QStringLiteral("(?<![\\w-])(--[A-Za-z0-9][A-Za-z0-9-]*)"));
    static const QRegularExpression shortOption(QStringLiteral("^\\s+(-[A-Za-z0-9])(?=[,\\s]|$)"),
                                                QRegularExpression::MultilineOption);
    for (const QRegularExpression *re : {&longOption, &shortOption}) {
        for (auto it = re->globalMatch(help); it.hasNext();) {
            const QString o = it.next().captured(1);
            if (!seen.contains(o)) {
                seen.insert(o);
                options << o;
            }
        }
    }
    return options;
}

// The manual page as a reader sees its words: roff's escaped hyphens and
// font changes taken out.
QString manText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QString text = QString::fromUtf8(f.readAll());
    text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    text.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]|\\\\%|\\\\&")));
    return text;
}

bool mentions(const QString &man, const QString &option)
{
    const QRegularExpression word(QStringLiteral("(?<![\\w-])") + QRegularExpression::escape(option)
                                  + QStringLiteral("(?![\\w-])"));
    return word.match(man).hasMatch();
}

} // namespace

TEST(ManualPages, EveryOptionOfHelpIsInTheManualPage)
{
    struct Case {
        const char *program;
        QStringList mustList; // options --help has to name in any case
    };
    const Case cases[] = {
        {"kaspen-cli", {"--help", "--version", "--data-dir", "--link", "--port", "--device"}},
        {"kaspen-sim", {"--help", "--version", "--port", "--frontend", "--model"}},
        {"kaspen-setup", {"--help", "--version"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.program);
        const QString program = QString::fromLatin1(c.program);
        const QString man = manText(QStringLiteral(KASPEN_SOURCE_DIR "/docs/man/") + program + QStringLiteral(".1"));
        ASSERT_FALSE(man.isEmpty()) << "no manual page docs/man/" << c.program << ".1";
        EXPECT_TRUE(man.contains(QStringLiteral(".TH ") + program.toUpper() + QStringLiteral(" 1 ")));
        const Help help = runHelp(program);
        if (!help.answered && program == QLatin1String("kaspen-setup")) {
            std::printf("kaspen-setup has no --help yet: its window started; only its manual page is checked\n");
            continue;
        }
        ASSERT_TRUE(help.answered) << c.program << " --help failed";
        const QStringList options = optionsOf(help.text);
        for (const QString &o : c.mustList)
            EXPECT_TRUE(options.contains(o)) << c.program << " --help does not name " << qPrintable(o);
        for (const QString &o : options)
            EXPECT_TRUE(mentions(man, o)) << "docs/man/" << c.program << ".1 lacks " << qPrintable(o) << ", which "
                                          << c.program << " --help names";
    }
}
