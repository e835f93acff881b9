#include "cli/CliRunner.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString Example(const char* name)
{
    return QStringLiteral(KORVEL_EXAMPLES_DIR "/") + QLatin1String(name);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Args(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* a : list)
        out << QString::fromUtf8(a);
    return out;
}

TEST(CliDocument, TreeListsEveryNodeWithItsLineRange)
{
    const CliResult r = RunCli(QStringList{QStringLiteral("tree"), Example("Sample.dfm")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
        "frmOrders: TfrmOrders\t1-17\n"
        "  pnlTop: TPanel\t19-25\n"
        "    lblCustomer: TLabel\t27-31\n"
        "    edtCustomer: TEdit\t34-41\n"
        "    btnSearch: TButton\t44-51\n"
        "  lvOrders: TListView\t55-82\n"
        "  sbMain: TStatusBar\t85-96\n"
        "  pnlBottom: TPanel\t99-104\n"
        "    cmbStatus: TComboBox\t106-116\n"
        "    imgLogo: TImage\t119-127\n"
        "  mnuMain: TMainMenu\t131-132\n"
        "    mnuFile: TMenuItem\t134-134\n"
        "      mnuOpen: TMenuItem\t136-137\n"
        "      N1: TMenuItem\t140-140\n"
        "      mnuExit: TMenuItem\t143-144\n"
        "  tmrRefresh: TTimer\t149-153\n");
}

TEST(CliDocument, RegenOfAnUnchangedFormReproducesItsBytes)
{
    for (const char* name :
        {"SampleText.dfm", "Sample.dfm", "SampleUtf8.dfm", "AllValueKinds.dfm", "SampleWideHeader.dfm"}) {
        const CliResult r = RunCli({QStringLiteral("regen"), Example(name), QStringLiteral("-o"), QStringLiteral("-")});
        EXPECT_EQ(r.exitCode, 0) << name << r.err.toStdString();
        EXPECT_EQ(r.out, ReadFile(Example(name))) << name;
    }
}

TEST(CliDocument, PropsShowsStoredOrDecodedText)
{
    CliResult r = RunCli({QStringLiteral("props"), Example("SampleText.dfm"), QStringLiteral("frmOrders/sbMain")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Text = #28310#20633#23436#20102\r\n")) << r.out.toStdString();
    r = RunCli({QStringLiteral("props"), Example("SampleText.dfm"), QStringLiteral("frmOrders/sbMain"),
        QStringLiteral("--decode")});
    EXPECT_TRUE(QString::fromUtf8(r.out).contains(QStringLiteral("Text = '準備完了'\r\n"))) << r.out.toStdString();
}

TEST(CliDocument, NodePathsPickNamelessAndRepeatedSiblings)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("menu.dfm"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("object Form1: TForm1\r\n"
            "  object TMenuItem\r\n    Caption = 'a'\r\n  end\r\n"
            "  object TMenuItem\r\n    Caption = 'b'\r\n  end\r\n"
            "end\r\n");
    f.close();
    const struct {
        const char* node;
        const char* props;
    } cases[] = {
        {"Form1/TMenuItem", "Caption = 'a'"},
        {"Form1/TMenuItem[0]", "Caption = 'a'"},
        {"Form1/TMenuItem[1]", "Caption = 'b'"},
    };
    for (const auto& c : cases) {
        const CliResult r = RunCli({QStringLiteral("props"), file, QString::fromLatin1(c.node)});
        EXPECT_EQ(r.exitCode, 0) << c.node << r.err.toStdString();
        EXPECT_EQ(r.out, QByteArray(c.props)) << c.node;
    }
    EXPECT_EQ(RunCli({QStringLiteral("props"), file, QStringLiteral("Form1/TMenuItem[2]")}).exitCode, 1);
}

TEST(CliDocument, MovesApplyInOrderAndRefusedMovesWriteNothing)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("moved.dfm"));
    CliResult r = RunCli({QStringLiteral("move"), Example("Sample.dfm"), QStringLiteral("-o"), out,
        QStringLiteral("--up"), QStringLiteral("frmOrders/sbMain"), QStringLiteral("--level-up"),
        QStringLiteral("frmOrders/pnlBottom/imgLogo"), QStringLiteral("--under"),
        QStringLiteral("frmOrders/tmrRefresh"), QStringLiteral("frmOrders/pnlTop")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = RunCli({QStringLiteral("tree"), out});
    EXPECT_EQ(r.out,
        "frmOrders: TfrmOrders\t1-17\n"
        "  pnlTop: TPanel\t19-25\n"
        "    lblCustomer: TLabel\t27-31\n"
        "    edtCustomer: TEdit\t34-41\n"
        "    btnSearch: TButton\t44-51\n"
        "    tmrRefresh: TTimer\t54-58\n"
        "  sbMain: TStatusBar\t62-73\n"
        "  lvOrders: TListView\t76-103\n"
        "  pnlBottom: TPanel\t106-111\n"
        "    cmbStatus: TComboBox\t113-123\n"
        "  mnuMain: TMainMenu\t127-128\n"
        "    mnuFile: TMenuItem\t130-130\n"
        "      mnuOpen: TMenuItem\t132-133\n"
        "      N1: TMenuItem\t136-136\n"
        "      mnuExit: TMenuItem\t139-140\n"
        "  imgLogo: TImage\t145-153\n");

    const QStringList refused[] = {
        Args({"--up", "frmOrders"}),
        Args({"--down", "frmOrders/tmrRefresh"}),
        Args({"--level-up", "frmOrders/pnlTop"}),
        Args({"--under", "frmOrders/pnlTop", "frmOrders/pnlTop/btnSearch"}),
        Args({"--under", "frmOrders/pnlTop", "frmOrders/pnlTop"}),
        Args({"--up", "frmOrders/NoSuchThing"}),
    };
    for (const QStringList& ops : refused) {
        const QString target = dir.filePath(QStringLiteral("refused.dfm"));
        r = RunCli(QStringList{QStringLiteral("move"), Example("Sample.dfm"), QStringLiteral("-o"), target} + ops);
        EXPECT_EQ(r.exitCode, 1) << ops.join(u' ').toStdString();
        EXPECT_FALSE(QFile::exists(target)) << ops.join(u' ').toStdString();
    }
}

TEST(CliDocument, DecodeAndEncodeAreTwins)
{
    const QByteArray stored = "Caption = #26085#26412'x'#13#10\r\n";
    const CliResult d = RunCli({QStringLiteral("decode")}, stored);
    ASSERT_EQ(d.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(d.out), QStringLiteral("Caption = '日本x'#13#10\r\n"));
    const CliResult e = RunCli({QStringLiteral("encode")}, d.out);
    EXPECT_EQ(e.out, stored);
}

TEST(CliDocument, LinesNotLoadedAreWarnedAndRefuseRegen)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Nul.dfm"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("object F: TF\r\n  A = 'x\0y'\r\nend\r\n", 26));
    f.close();
    const QByteArray warning =
        (file + QStringLiteral(": warning: 2 行目の NUL 文字から後は読み込まれていません:   A = 'x\n")).toUtf8();
    const CliResult tree = RunCli({QStringLiteral("tree"), file});
    EXPECT_EQ(tree.exitCode, 0);
    EXPECT_EQ(tree.err, warning);
    const QString out = dir.filePath(QStringLiteral("Out.dfm"));
    const CliResult regen = RunCli({QStringLiteral("regen"), file, QStringLiteral("-o"), out});
    EXPECT_EQ(regen.exitCode, 1);
    EXPECT_TRUE(regen.err.startsWith(warning));
    EXPECT_TRUE(regen.err.contains("2 行目が読み込まれていないため保存できません:   A = 'x"))
        << regen.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

} // namespace

namespace {

TEST(CliDocument, FailuresNameTheFileAndTheirRealKindWithControlsEscaped)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.dfm"));
    const QString damaged = dir.filePath(QStringLiteral("damaged.dfm"));
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // A binary form with a control byte in a property name, followed by an invalid value.
    f.write(QByteArray::fromHex("ff0a00410030100f00000054504630025441014103500151ff0000"));
    f.close();
    const struct {
        QStringList args;
        QString prefix;
    } cases[] = {
        {{QStringLiteral("tree"), missing}, missing + QStringLiteral(": EFileError: ")},
        {{QStringLiteral("regen"), missing, QStringLiteral("-o"), QStringLiteral("-")},
            missing + QStringLiteral(": EFileError: ")},
        {{QStringLiteral("json"), missing}, missing + QStringLiteral(": EFileError: ")},
        {{QStringLiteral("props"), Example("Sample.dfm"), QStringLiteral("frmOrders/nothing")},
            Example("Sample.dfm")
                + QStringLiteral(": EDocumentError: コンポーネントが見つかりません: frmOrders/nothing")},
        {{QStringLiteral("move"), Example("Sample.dfm"), QStringLiteral("-o"), QStringLiteral("-"),
             QStringLiteral("--up"), QStringLiteral("frmOrders")},
            Example("Sample.dfm") + QStringLiteral(": EDocumentError: 移動できません: up frmOrders")},
        {{QStringLiteral("tree"), damaged}, damaged + QStringLiteral(": EReadError: A.P\\x01Q ")},
    };
    for (const auto& c : cases) {
        const CliResult r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(QString::fromUtf8(r.err).startsWith(c.prefix)) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        for (const char ch : r.err.chopped(1))
            EXPECT_GE(static_cast<unsigned char>(ch), 0x20) << r.err.toStdString();
    }
}

TEST(CliDocument, StandardOutputWriteErrorsFailEveryCommand)
{
    const QStringList cases[] = {
        {QStringLiteral("tree"), Example("Sample.dfm")},
        {QStringLiteral("json"), Example("Sample.dfm")},
        {QStringLiteral("props"), Example("Sample.dfm"), QStringLiteral("frmOrders")},
        {QStringLiteral("regen"), Example("Sample.dfm"), QStringLiteral("-o"), QStringLiteral("-")},
        {QStringLiteral("detect"), Example("Sample.dfm")},
        {QStringLiteral("to-text"), QStringLiteral("-o"), QStringLiteral("-"), Example("Sample.dfm")},
        {QStringLiteral("check"), Example("SampleUtf8.dfm")},
        {QStringLiteral("--help")},
    };
    for (const QStringList& args : cases) {
        const CliResult r = RunCli(args, {}, {}, QStringLiteral("/dev/full"));
        EXPECT_EQ(r.exitCode, 1) << args.join(u' ').toStdString();
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral(": EFileError: 標準出力に書き込めません: ")))
            << args.join(u' ').toStdString() << r.err.toStdString();
    }
}

TEST(CliDocument, JsonDescribesTheComponentTree)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("j.dfm"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("inherited Form1: TForm1\r\n"
            "  Caption = 'say \"hi\"'\r\n"
            "  object Panel1: TPanel\r\n"
            "    Items.Strings = (\r\n      'a'\r\n      'b')\r\n"
            "    inline Frame1: TFrame1\r\n    end\r\n"
            "    object TMenuItem\r\n    end\r\n"
            "  end\r\n"
            "end\r\n");
    f.close();
    const CliResult r = RunCli({QStringLiteral("json"), file});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(r.out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    EXPECT_EQ(json[QStringLiteral("file")].toString(), file);
    EXPECT_EQ(json[QStringLiteral("format")].toString(), QStringLiteral("text"));
    const QJsonObject form = json[QStringLiteral("components")][0].toObject();
    EXPECT_EQ(form[QStringLiteral("keyword")].toString(), QStringLiteral("inherited"));
    EXPECT_EQ(form[QStringLiteral("line")].toInt(), 1);
    EXPECT_EQ(form[QStringLiteral("properties")][QStringLiteral("Caption")].toString(), QStringLiteral("'say \"hi\"'"));
    const QJsonObject panel = form[QStringLiteral("children")][0].toObject();
    EXPECT_EQ(panel[QStringLiteral("name")].toString(), QStringLiteral("Panel1"));
    EXPECT_EQ(panel[QStringLiteral("class")].toString(), QStringLiteral("TPanel"));
    EXPECT_EQ(panel[QStringLiteral("line")].toInt(), 3);
    EXPECT_EQ(panel[QStringLiteral("properties")][QStringLiteral("Items.Strings")].toString(),
        QStringLiteral("(\n  'a'\n  'b')"));
    const QJsonArray children = panel[QStringLiteral("children")].toArray();
    ASSERT_EQ(children.size(), 2);
    EXPECT_EQ(children[0][QStringLiteral("keyword")].toString(), QStringLiteral("inline"));
    EXPECT_EQ(children[1][QStringLiteral("name")].toString(), QString());
    EXPECT_EQ(children[1][QStringLiteral("class")].toString(), QStringLiteral("TMenuItem"));
    EXPECT_EQ(children[1][QStringLiteral("position")].toInt(), 1);
    EXPECT_TRUE(children[1][QStringLiteral("children")].toArray().isEmpty());
}

} // namespace
