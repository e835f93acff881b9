// korvel-cli: the headless front end over Korvel's core.
#include "cli/CliSupport.h"

#include "KorvelVersion.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>

using namespace korvel::cli;

namespace {

const char kUsage[] =
    "usage:\n"
    "  korvel-cli detect [-r] FILE...\n"
    "  korvel-cli to-text   [--codepage N] [-r] [-j N] (-o OUT FILE | FILE...)\n"
    "  korvel-cli to-binary [--ansi] [--codepage N] [-r] [-j N] (-o OUT FILE | FILE...)\n"
    "  korvel-cli check [--require-text] [--codepage N] [-r] [-j N] FILE...\n"
    "  korvel-cli tree FILE\n"
    "  korvel-cli json FILE\n"
    "  korvel-cli regen FILE -o OUT\n"
    "  korvel-cli props FILE NODE [--decode]\n"
    "  korvel-cli move FILE -o OUT (--up NODE | --down NODE | --level-up NODE | --under NODE TARGET)...\n"
    "  korvel-cli image FILE NODE PROPERTY -o OUT   (PROPERTY such as Picture or Picture.Data)\n"
    "  korvel-cli decode | encode      (standard input to standard output, UTF-8)\n"
    "  korvel-cli --version | --help\n"
    "FILE may be a folder with -r (its .dfm, .fmx and .xfm files) or @LIST (one path a line;\n"
    "@- reads the list from standard input); -j N converts N files at a time (default: cores).\n"
    "NODE is a path of component names from a top-level node, such as Form1/Panel1/Button1;\n"
    "a nameless component is matched by its class name; NAME[k] picks the k-th equal sibling.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("korvel-cli " KORVEL_VERSION "\n", stdout);
        return kExitOk;
    }
    // A closed pipe on standard output becomes a write error that is reported, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    if (args.isEmpty() || args.first() == QStringLiteral("--help") || args.first() == QStringLiteral("-h")) {
        std::fputs(kUsage, args.isEmpty() ? stderr : stdout);
        if (args.isEmpty())
            return kExitUsage;
        try {
            FinishStdout();
        } catch (const std::exception& e) {
            ReportError(QStringLiteral("korvel-cli"), e);
            return kExitFailure;
        }
        return kExitOk;
    }
    const std::map<QString, int (*)(const QStringList&)> commands = {
        {QStringLiteral("detect"), CmdDetect},
        {QStringLiteral("to-text"), CmdToText},
        {QStringLiteral("to-binary"), CmdToBinary},
        {QStringLiteral("check"), CmdCheck},
        {QStringLiteral("tree"), CmdTree},
        {QStringLiteral("json"), CmdJson},
        {QStringLiteral("regen"), CmdRegen},
        {QStringLiteral("props"), CmdProps},
        {QStringLiteral("move"), CmdMove},
        {QStringLiteral("decode"), CmdDecode},
        {QStringLiteral("encode"), CmdEncode},
        {QStringLiteral("image"), CmdImage},
    };
    const QString name = args.takeFirst();
    const auto it = commands.find(name);
    if (it == commands.end()) {
        PrintError(QStringLiteral("korvel-cli: unknown command: ") + EscapeControls(name));
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    int status = kExitOk;
    try {
        status = it->second(args);
    } catch (const UsageError& e) {
        PrintError(QStringLiteral("korvel-cli ") + name + QStringLiteral(": ") + EscapeControls(e.message));
        std::fputs(kUsage, stderr);
        return kExitUsage;
    } catch (const std::exception& e) {
        ReportError(QStringLiteral("korvel-cli"), e);
        return kExitFailure;
    }
    try {
        FinishStdout();
    } catch (const std::exception& e) {
        ReportError(QStringLiteral("korvel-cli"), e);
        return kExitFailure;
    }
    return status;
}
