// The README's version control set-up, run with real git in a temporary
// repository: with the .gitattributes lines and the textconv command, git diff
// shows a changed binary form as form text.
#include "cli/CliRunner.h"

#include "convert/TextToBinary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray ToBinary(const QByteArray& text)
{
    korvel::ByteStream in(text), out;
    korvel::TextToResource(in, out);
    return out.data();
}

TEST(GitDiff, TextconvShowsTheChangedPropertyLineOfABinaryForm)
{
    const QString git = QStandardPaths::findExecutable(QStringLiteral("git"));
    if (git.isEmpty())
        GTEST_SKIP() << "git is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString repo = dir.filePath(QStringLiteral("repo"));
    ASSERT_TRUE(QDir().mkpath(repo));

    // korvel-cli is found on PATH, exactly as the README's command names it; no
    // user or system git configuration takes part.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"),
        QFileInfo(QStringLiteral(KORVEL_CLI_PATH)).absolutePath() + u':' + env.value(QStringLiteral("PATH")));
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("GIT_CONFIG_NOSYSTEM"), QStringLiteral("1"));
    env.insert(QStringLiteral("KORVEL_ANSI_CODEPAGE"), QStringLiteral("1252"));
    for (const char* var : {"GIT_AUTHOR_NAME", "GIT_COMMITTER_NAME"})
        env.insert(QLatin1String(var), QStringLiteral("Korvel Test"));
    for (const char* var : {"GIT_AUTHOR_EMAIL", "GIT_COMMITTER_EMAIL"})
        env.insert(QLatin1String(var), QStringLiteral("test@korvel.invalid"));
    const auto runGit = [&](const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(repo);
        p.start(git, args);
        p.waitForFinished(60000);
        const QByteArray out = p.readAllStandardOutput();
        EXPECT_EQ(p.exitCode(), 0) << "git " << args.join(u' ').toStdString() << ": "
                                   << p.readAllStandardError().toStdString();
        return out;
    };
    const auto writeForm = [&](const QByteArray& caption) {
        QFile f(repo + QStringLiteral("/Unit1.dfm"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ToBinary("object Form1: TForm1\n  Left = 10\n  Caption = '" + caption
            + "'\n  object Button1: TButton\n    Width = 75\n  end\nend\n"));
    };

    runGit({QStringLiteral("init"), QStringLiteral("-q")});
    QFile attributes(repo + QStringLiteral("/.gitattributes"));
    ASSERT_TRUE(attributes.open(QIODevice::WriteOnly));
    attributes.write("*.dfm diff=korvel-form\n*.fmx diff=korvel-form\n*.xfm diff=korvel-form\n");
    attributes.close();
    runGit({QStringLiteral("config"), QStringLiteral("diff.korvel-form.textconv"),
        QStringLiteral("korvel-cli to-text -o -")});
    writeForm("Before");
    runGit({QStringLiteral("add"), QStringLiteral(".")});
    runGit({QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-m"), QStringLiteral("form")});
    writeForm("After");

    // Form text has CR LF line ends; git shows them as they are.
    const QByteArray diff = runGit({QStringLiteral("diff")}).replace("\r", "");
    EXPECT_TRUE(diff.contains("\n-  Caption = 'Before'\n+  Caption = 'After'\n")) << diff.toStdString();
    EXPECT_FALSE(diff.contains("Binary files")) << diff.toStdString();
    EXPECT_TRUE(diff.contains("\n   Left = 10\n")) << diff.toStdString(); // unchanged lines are context
}

} // namespace
