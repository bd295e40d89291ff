#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A program a test runs to its end: its exit status and what it wrote.
struct ProgramRun {
    // The exit status; -1 when the program crashed or had not ended after `timeoutMs`
    // (it is then killed, and nothing it wrote is kept).
    int status = -1;
    QByteArray out;
    QByteArray err;

    static ProgramRun Of(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
                         int timeoutMs);
};
