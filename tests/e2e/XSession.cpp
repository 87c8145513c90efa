#include "tests/e2e/XSession.h"

#include <algorithm>

#include <QDeadlineTimer>
#include <QHash>
#include <QTest>

namespace {

// Wine's first window on a new display takes long on a loaded machine.
constexpr int StartTimeoutMs = 60000;

// Key symbols of the letters a Czech customer's name may hold; xdotool maps
// a spare key code to each one for the moment it is pressed.
const QHash<QChar, QString>& letterSymbols()
{
    static const QHash<QChar, QString> symbols = [] {
        QHash<QChar, QString> table;
        const std::pair<const char*, const char*> czech[] = {
            { "á", "aacute" }, { "č", "ccaron" }, { "ď", "dcaron" }, { "é", "eacute" }, { "ě", "ecaron" },
            { "í", "iacute" }, { "ň", "ncaron" }, { "ó", "oacute" }, { "ř", "rcaron" }, { "š", "scaron" },
            { "ť", "tcaron" }, { "ú", "uacute" }, { "ů", "uring" }, { "ý", "yacute" }, { "ž", "zcaron" },
        };
        for (const auto& [letter, name] : czech) {
            const QChar lower = QString::fromUtf8(letter).at(0);
            const QString symbol = QString::fromLatin1(name);
            table.insert(lower, symbol);
            // A spare key code carries the letter as its lower case.
            table.insert(lower.toUpper(), QStringLiteral("shift+") + symbol);
        }
        table.insert(QLatin1Char(' '), QStringLiteral("space"));
        table.insert(QLatin1Char('.'), QStringLiteral("period"));
        table.insert(QLatin1Char(','), QStringLiteral("comma"));
        return table;
    }();
    return symbols;
}

} // namespace

XSession::XSession()
{
    // The server names its display on standard output once it listens.
    m_server.start(QStringLiteral("Xvfb"),
        { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
            QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp") });
    if (!m_server.waitForStarted(StartTimeoutMs)) {
        m_failure = QStringLiteral("Xvfb cannot be started: ") + m_server.errorString();
        return;
    }
    QDeadlineTimer deadline(StartTimeoutMs);
    while (!m_server.canReadLine() && !deadline.hasExpired() && m_server.state() == QProcess::Running)
        m_server.waitForReadyRead(100);
    const QString number = QString::fromLatin1(m_server.readLine()).trimmed();
    if (number.isEmpty()) {
        m_failure = QStringLiteral("Xvfb named no display: ") + QString::fromLocal8Bit(m_server.readAllStandardError());
        return;
    }
    m_display = QLatin1Char(':') + number;

    m_windowManager.setProcessEnvironment(xEnvironment());
    m_windowManager.start(QStringLiteral("openbox"), { QStringLiteral("--sm-disable") });
    if (!m_windowManager.waitForStarted(StartTimeoutMs)) {
        m_failure = QStringLiteral("openbox cannot be started: ") + m_windowManager.errorString();
        return;
    }
    // The manager is in charge once it has named itself on the root window.
    while (!deadline.hasExpired()) {
        QString output;
        if (run(QStringLiteral("xprop"), { QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK") },
                &output)
            && output.contains(QLatin1String("window id")))
            return;
        QTest::qWait(50);
    }
    m_failure = QStringLiteral("openbox did not take charge of display ") + m_display;
}

XSession::~XSession()
{
    for (QProcess* process : { m_program.get(), &m_windowManager, &m_server }) {
        if (process && process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(StartTimeoutMs);
        }
    }
}

QProcessEnvironment XSession::xEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("XAUTHORITY"));
    return environment;
}

bool XSession::run(const QString& program, const QStringList& arguments, QString* output)
{
    QProcess process;
    process.setProcessEnvironment(xEnvironment());
    process.start(program, arguments);
    if (!process.waitForFinished(StartTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool XSession::startProgram(const QString& workDir, const QProcessEnvironment& extra)
{
    QProcessEnvironment environment = xEnvironment();
    // Leaks of the X libraries at a killed program's end are not ours.
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    for (const QString& name : extra.keys())
        environment.insert(name, extra.value(name));
    m_program = std::make_unique<QProcess>();
    m_program->setProcessEnvironment(environment);
    m_program->setWorkingDirectory(workDir);
    m_program->start(qEnvironmentVariable("TRELOMAR_PROGRAM"), {});
    if (!m_program->waitForStarted(StartTimeoutMs))
        return false;
    QDeadlineTimer deadline(StartTimeoutMs);
    while (!deadline.hasExpired() && m_program->state() == QProcess::Running) {
        const QString active = activeWindow();
        if (active.startsWith(QStringLiteral("Trelomář")))
            return true;
        QTest::qWait(50);
    }
    return false;
}

bool XSession::waitForProgramEnd(int milliseconds)
{
    return m_program && (m_program->state() == QProcess::NotRunning || m_program->waitForFinished(milliseconds));
}

QString XSession::programErrors()
{
    if (m_program)
        m_errors += QString::fromUtf8(m_program->readAllStandardError());
    return m_errors;
}

bool XSession::key(const QStringList& keys)
{
    return run(QStringLiteral("xdotool"), QStringList { QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30") } + keys);
}

bool XSession::keyTogether(XSession& first, XSession& second, const QStringList& keys)
{
    QProcess presses[2];
    XSession* sessions[2] = { &first, &second };
    for (int i = 0; i < 2; ++i) {
        presses[i].setProcessEnvironment(sessions[i]->xEnvironment());
        presses[i].start(QStringLiteral("xdotool"), QStringList { QStringLiteral("key") } + keys);
    }
    bool ok = true;
    for (QProcess& press : presses) {
        if (!press.waitForFinished(StartTimeoutMs)) {
            press.kill();
            press.waitForFinished();
        }
        ok = ok && press.exitStatus() == QProcess::NormalExit && press.exitCode() == 0;
    }
    return ok;
}

bool XSession::type(const QString& text)
{
    // Under Wine a letter outside the keyboard map is lost now and then:
    // xdotool binds it to a spare key code for the moment of its press only,
    // and Wine may look the key up once the binding is gone. The setup
    // program's test asks for such text to be pasted instead.
    const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii && qEnvironmentVariableIsSet("TRELOMAR_E2E_PASTE")) {
        QProcess clipboard;
        clipboard.setProcessEnvironment(xEnvironment());
        clipboard.start(QStringLiteral("xclip"), { QStringLiteral("-selection"), QStringLiteral("clipboard") });
        clipboard.write(text.toUtf8());
        clipboard.closeWriteChannel();
        // xclip serves the text from a child of its own once it owns the clipboard.
        if (!clipboard.waitForFinished(StartTimeoutMs) || clipboard.exitCode() != 0)
            return false;
        return key({ QStringLiteral("ctrl+v") });
    }
    // "xdotool type" loses what follows a letter outside ASCII in Qt
    // programs; single key presses do not.
    QStringList keys;
    for (const QChar c : text) {
        const auto symbol = letterSymbols().constFind(c);
        keys << (symbol != letterSymbols().cend() ? *symbol : QString(c));
    }
    return key(keys);
}

QList<std::pair<QString, QString>> XSession::programWindows()
{
    QList<std::pair<QString, QString>> windows;
    if (!m_program)
        return windows;
    QString ids;
    run(QStringLiteral("xdotool"),
        { QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
            QString::number(m_program->processId()), QStringLiteral("--name"), QStringLiteral(".") },
        &ids);
    for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QString name;
        if (run(QStringLiteral("xdotool"), { QStringLiteral("getwindowname"), id }, &name))
            windows.append({ id, name.trimmed() });
    }
    return windows;
}

bool XSession::clickFromBottomLeft(const QString& window, int x, int fromBottom)
{
    QString id;
    for (const auto& [candidate, title] : programWindows())
        if (title == window)
            id = candidate;
    QString geometry;
    if (id.isEmpty()
        || !run(QStringLiteral("xdotool"), { QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id },
            &geometry))
        return false;
    int height = 0;
    for (const QString& line : geometry.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("HEIGHT=")))
            height = line.mid(7).toInt();
    return run(QStringLiteral("xdotool"),
        { QStringLiteral("mousemove"), QStringLiteral("--window"), id, QString::number(x),
            QString::number(height - fromBottom), QStringLiteral("click"), QStringLiteral("1") });
}

QStringList XSession::shownWindows()
{
    QStringList titles;
    for (const auto& window : programWindows())
        titles << window.second;
    return titles;
}

QString XSession::activeWindow()
{
    QString name;
    run(QStringLiteral("xdotool"), { QStringLiteral("getactivewindow"), QStringLiteral("getwindowname") }, &name);
    return name.trimmed();
}
