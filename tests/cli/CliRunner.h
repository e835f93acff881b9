// Runs the built korvel-cli as a separate process for the command-line tests.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// stdoutFile, when given, receives standard output instead of the pipe (such as /dev/full).
inline CliResult RunCli(const QStringList& args, const QByteArray& input = {}, const QStringList& extraEnv = {},
    const QString& stdoutFile = {})
{
    QProcess p;
    if (!stdoutFile.isEmpty())
        p.setStandardOutputFile(stdoutFile);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVEL_ANSI_CODEPAGE"), QStringLiteral("1252"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    for (const QString& kv : extraEnv)
        env.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVEL_CLI_PATH), args);
    p.waitForStarted();
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
        p.readAllStandardError()};
}
