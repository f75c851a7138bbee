#pragma once

#include "platform/ProgramFolder.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace quillon::test {

// How a program run ended and what it printed.
struct Outcome {
    int exitCode = -1; // -1 when it crashed or did not end
    QByteArray out;
    QString err;
    QString text() const { return QString::fromUtf8(out); }
};

inline Outcome runProgram(const QString& program, const QStringList& arguments,
    const QString& workingFolder = {},
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingFolder);
    process.start(program, arguments);
    process.waitForFinished(120000);
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError()) };
}

inline QString quillonTagPath()
{
    return programFolder() + QStringLiteral("/quillon-tag");
}

// Runs the real quillon-tag that was built beside the test.
inline Outcome quillonTag(const QStringList& arguments, const QString& workingFolder = {},
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    return runProgram(quillonTagPath(), arguments, workingFolder, environment);
}

} // namespace quillon::test
