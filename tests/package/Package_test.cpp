// Builds the Debian package with cpack, unpacks it into a temporary folder and
// runs the programs from there: the package must hold everything it promises and
// its Depends must be computed from the programs' shared libraries.
#include "KorvelVersion.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ProcessResult RunProgram(const QString& program, const QStringList& args, const QStringList& extraEnv = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& kv : extraEnv)
        env.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
        p.readAllStandardError()};
}

class DebianPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        work = new QTemporaryDir;
        const QString out = work->filePath(QStringLiteral("out"));
        const ProcessResult cpack = RunProgram(QStringLiteral(KORVEL_CPACK),
            {QStringLiteral("--config"), QStringLiteral(KORVEL_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-G"),
                QStringLiteral("DEB"), QStringLiteral("-B"), out});
        cpackLog = cpack.out + cpack.err;
        const QStringList debs = QDir(out).entryList({QStringLiteral("*.deb")}, QDir::Files);
        if (cpack.exitCode != 0 || debs.size() != 1)
            return;
        deb = QDir(out).filePath(debs.first());
        root = work->filePath(QStringLiteral("root"));
        unpacked = RunProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, root}).exitCode == 0;
    }
    static void TearDownTestSuite() { delete work; }

    void SetUp() override { ASSERT_TRUE(unpacked) << cpackLog.toStdString(); }

    static QString Installed(const char* path) { return root + QStringLiteral("/usr/") + QLatin1String(path); }

    static inline QTemporaryDir* work = nullptr;
    static inline QByteArray cpackLog;
    static inline QString deb;
    static inline QString root;
    static inline bool unpacked = false;
};

TEST_F(DebianPackage, DependsIsComputedAndTheProgramsRunFromTheUnpackedPackage)
{
    ProcessResult r = RunProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Depends")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    for (const char* package : {"libc6 (>=", "libqt6core6 (>=", "libicu"})
        EXPECT_TRUE(r.out.contains(package)) << package << " missing from Depends: " << r.out.toStdString();
#ifdef KORVEL_GUI_BUILT
    EXPECT_TRUE(r.out.contains("libqt6widgets6 (>=")) << r.out.toStdString();
    // Qt's translations of its own texts, which the window loads for its language.
    r = RunProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Recommends")});
    EXPECT_TRUE(r.out.contains("qt6-translations-l10n")) << r.out.toStdString();
#endif

    // Both answer --version without a display; korvel-cli also converts.
    r = RunProgram(Installed("bin/korvel-cli"), {QStringLiteral("--version")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "korvel-cli " KORVEL_VERSION "\n");
    r = RunProgram(Installed("bin/korvel-cli"),
        {QStringLiteral("to-text"), QStringLiteral("-o"), QStringLiteral("-"),
            QStringLiteral(KORVEL_EXAMPLES_DIR "/Sample.dfm")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("object ")) << r.out.left(200).toStdString();
#ifdef KORVEL_GUI_BUILT
    r = RunProgram(
        Installed("bin/korvel"), {QStringLiteral("--version")}, {QStringLiteral("QT_QPA_PLATFORM=offscreen")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "korvel " KORVEL_VERSION "\n");
#endif
}

TEST_F(DebianPackage, HoldsManualPagesDesktopEntryMetadataAndCompletionThatValidate)
{
    std::vector<const char*> files = {
        "share/man/man1/korvel-cli.1.gz", "share/bash-completion/completions/korvel-cli", "share/doc/korvel/copyright"};
#ifdef KORVEL_GUI_BUILT
    files.insert(files.end(),
        {"share/man/man1/korvel.1.gz", "share/applications/korvel.desktop",
            "share/icons/hicolor/scalable/apps/korvel.svg", "share/metainfo/io.github.korvel.Korvel.metainfo.xml"});
#endif
    for (const char* file : files)
        EXPECT_TRUE(QFile::exists(Installed(file))) << file;

    // The manual pages render without troff warnings.
    for (const char* page : {"share/man/man1/korvel-cli.1.gz", "share/man/man1/korvel.1.gz"}) {
        if (!QFile::exists(Installed(page)))
            continue;
        const ProcessResult r = RunProgram(QStringLiteral("man"),
            {QStringLiteral("--warnings"), QStringLiteral("-l"), Installed(page)}, {QStringLiteral("MANWIDTH=80")});
        EXPECT_EQ(r.exitCode, 0) << page;
        EXPECT_TRUE(r.err.isEmpty()) << page << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.contains("SYNOPSIS")) << page;
    }
    EXPECT_EQ(RunProgram(QStringLiteral("bash"),
                  {QStringLiteral("-n"), Installed("share/bash-completion/completions/korvel-cli")})
                  .exitCode,
        0);

#ifdef KORVEL_GUI_BUILT
    // The desktop entry and the AppStream metadata pass their validators where installed.
    const QString appstreamcli = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    const QString desktopValidate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!appstreamcli.isEmpty()) {
        const ProcessResult r = RunProgram(appstreamcli,
            {QStringLiteral("validate"), QStringLiteral("--no-net"),
                Installed("share/metainfo/io.github.korvel.Korvel.metainfo.xml")});
        EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
        // The release in the metadata is the program's version.
        QFile metainfo(Installed("share/metainfo/io.github.korvel.Korvel.metainfo.xml"));
        ASSERT_TRUE(metainfo.open(QIODevice::ReadOnly));
        EXPECT_TRUE(metainfo.readAll().contains("<release version=\"" KORVEL_VERSION "\""));
    }
    if (!desktopValidate.isEmpty()) {
        const ProcessResult r = RunProgram(desktopValidate, {Installed("share/applications/korvel.desktop")});
        EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
#endif
}

} // namespace
