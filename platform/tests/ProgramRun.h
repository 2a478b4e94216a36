#pragma once
// Runs one of the family's programs as a user would, but in a home of the
// test's own: HOME, TMPDIR and the XDG folders lie below `home`, and a
// recording xdg-open stands first on the PATH, so nothing reaches the real
// home folder or the desktop.

#include "platform/tests/RecordingXdgOpen.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <string>

namespace platformtest {

struct ProgramResult {
    int exitCode = -1;
    bool crashed = false;
    std::string out;
    std::string err;
};

class ProgramRun {
public:
    explicit ProgramRun(const std::filesystem::path& home) : home_(home), recorder_(home)
    {
        for (const char* sub : {".config", ".local/share", ".cache", "tmp"})
            std::filesystem::create_directories(home / sub);
    }

    const RecordingXdgOpen& recorder() const { return recorder_; }
    // Where the program keeps its settings (QSettings' user scope).
    std::filesystem::path configFolder() const { return home_ / ".config"; }

    // Runs `program` with `arguments`; `extra` adds to the environment and
    // `without` takes names out of it.
    ProgramResult run(const std::string& program, const QStringList& arguments,
                      const QProcessEnvironment& extra = {}, const QStringList& without = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString home = QString::fromStdString(home_.string());
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("TMPDIR"), home + QStringLiteral("/tmp"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
        env.remove(QStringLiteral("XDG_DOCUMENTS_DIR"));
        env.insert(QStringLiteral("PATH"), QString::fromStdString(recorder_.binFolder()) + QLatin1Char(':')
                                               + env.value(QStringLiteral("PATH")));
        for (const QString& name : extra.keys())
            env.insert(name, extra.value(name));
        for (const QString& name : without)
            env.remove(name);
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QString::fromStdString(program), arguments);
        ProgramResult result;
        if (!process.waitForStarted(20000) || !process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            result.crashed = true;
            return result;
        }
        result.crashed = process.exitStatus() != QProcess::NormalExit;
        result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput().toStdString();
        result.err = process.readAllStandardError().toStdString();
        return result;
    }

private:
    std::filesystem::path home_;
    RecordingXdgOpen recorder_;
};

} // namespace platformtest
