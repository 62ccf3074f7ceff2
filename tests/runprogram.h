// A program run on its own, with no display to open a window on, as the command line's tests run
// quorvel; a last argument ">/dev/full" sends standard output to a device that is always full.
#pragma once

#include <QProcess>
#include <QStringList>

struct Run {
    int status;  // the exit code, -1 after a crash
    QByteArray out, err;
};

inline Run run(const QString &program, QStringList args)
{
    QProcess p;
    if (args.value(args.size() - 1) == ">/dev/full")
        p.setStandardOutputFile((args.takeLast(), "/dev/full"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

#ifdef QUORVEL_EXE
// The program under test, run so.
inline Run runQuorvel(const QStringList &args)
{
    return run(QStringLiteral(QUORVEL_EXE), args);
}
#endif

// Command-line arguments written as one line, split at the blanks.
inline QStringList words(const QString &line)
{
    return line.split(' ', Qt::SkipEmptyParts);
}
