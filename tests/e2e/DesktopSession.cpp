#include "tests/e2e/DesktopSession.h"

#include "tests/e2e/ProgramFixture.h"

#include <QRegularExpression>
#include <QStandardPaths>

namespace kestrova::test {
namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(10000)) {
        tool.kill();
        tool.waitForFinished(2000);
        return {};
    }
    return QString::fromLocal8Bit(tool.readAllStandardOutput());
}

QList<long long> numbersIn(const QString& text) {
    QList<long long> numbers;
    const QRegularExpression number(QStringLiteral("(?:0x[0-9a-fA-F]+|-?\\d+)"));
    for (const auto& match : number.globalMatch(text)) {
        bool ok = false;
        numbers.push_back(match.captured().toLongLong(&ok, 0));
    }
    return numbers;
}

bool windowManagerRuns() {
    return run(QStringLiteral("xprop"),
               {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
        .contains(QStringLiteral("window id"));
}

} // namespace

bool DesktopSession::available() {
    for (const char* tool : {"Xvfb", "openbox", "xdotool", "xprop", "xwininfo", "import"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    }
    return true;
}

DesktopSession::DesktopSession()
    : m_previousDisplay(qgetenv("DISPLAY")) {
    // -displayfd: the server picks a free display and writes its number to standard output.
    m_server.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                    QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-noreset"),
                    QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QByteArray number;
    if (!waitUntil(
            [&] {
                m_server.waitForReadyRead(50);
                number += m_server.readAllStandardOutput();
                return number.contains('\n') || m_server.state() == QProcess::NotRunning;
            },
            10000) ||
        !number.contains('\n'))
        return;
    qputenv("DISPLAY", ":" + number.trimmed());
    m_windowManager.setProcessChannelMode(QProcess::MergedChannels);
    m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    m_ready = waitUntil(windowManagerRuns, 10000);
}

DesktopSession::~DesktopSession() {
    for (QProcess* process : {&m_windowManager, &m_server}) {
        process->terminate();
        if (!process->waitForFinished(3000)) {
            process->kill();
            process->waitForFinished(3000);
        }
    }
    qputenv("DISPLAY", m_previousDisplay);
}

void DesktopSession::killServer() {
    m_server.kill();
    m_server.waitForFinished(3000);
}

std::string DesktopSession::log() {
    return (m_server.readAllStandardError() + m_windowManager.readAll()).right(3000).toStdString();
}

QRect FrameOf(const QString& window) {
    const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
    const QRegularExpression corner(QStringLiteral("Absolute upper-left X:\\s+(-?\\d+)[\\s\\S]*"
                                                   "Absolute upper-left Y:\\s+(-?\\d+)[\\s\\S]*"
                                                   "Width:\\s+(\\d+)[\\s\\S]*Height:\\s+(\\d+)"));
    const auto match = corner.match(info);
    if (!match.hasMatch())
        return {};
    const QRect client(match.captured(1).toInt(), match.captured(2).toInt(),
                       match.captured(3).toInt(), match.captured(4).toInt());
    const QString extents = run(QStringLiteral("xprop"), {QStringLiteral("-id"), window,
                                                          QStringLiteral("_NET_FRAME_EXTENTS")});
    const auto e = numbersIn(extents.section(QLatin1Char('='), 1));
    if (e.size() != 4)
        return client;
    return client.adjusted(-int(e[0]), -int(e[2]), int(e[1]), int(e[3]));
}

QStringList StackingOrder() {
    const QString list =
        run(QStringLiteral("xprop"),
            {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    QStringList order;
    for (long long id : numbersIn(list.section(QLatin1Char('#'), 1)))
        order << QString::number(id);
    return order;
}

bool TakeScreenshot(const QString& path) {
    QProcess import;
    import.start(QStringLiteral("import"),
                 {QStringLiteral("-window"), QStringLiteral("root"), path});
    return import.waitForFinished(20000) && import.exitCode() == 0;
}

} // namespace kestrova::test
