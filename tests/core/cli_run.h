#pragma once
// Runs tarnel-cli as a user would, for tests of the command line.
#include <QProcess>
#include <QStringList>

#include <string>

// The exit code (-1 when the program crashed); standard output and error
// into out and err when given.
inline int RunCli(const QStringList& args, std::string* out = nullptr, std::string* err = nullptr,
                  int timeoutMs = 300000) {
    QProcess p;
    p.start(TARNEL_CLI, args);
    p.waitForFinished(timeoutMs);
    if (out) *out = p.readAllStandardOutput().toStdString();
    if (err) *err = p.readAllStandardError().toStdString();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
