// korvel-cli: the headless front end over Korvel's core.
#include "cli/CliSupport.h"
#include "cli/ImageCommand.h"

#include "KorvelVersion.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <map>

using namespace korvel::cli;

namespace {

const char kUsage[] =
    "usage:\n"
    "  korvel-cli detect FILE...\n"
    "  korvel-cli to-text   [--codepage N] (-o OUT FILE | FILE...)\n"
    "  korvel-cli to-binary [--ansi] [--codepage N] (-o OUT FILE | FILE...)\n"
    "  korvel-cli tree FILE\n"
    "  korvel-cli regen FILE -o OUT\n"
    "  korvel-cli props FILE NODE [--decode]\n"
    "  korvel-cli move FILE -o OUT (--up NODE | --down NODE | --level-up NODE | --under NODE TARGET)...\n"
    "  korvel-cli image FILE NODE PROPERTY -o OUT   (PROPERTY such as Picture or Picture.Data)\n"
    "  korvel-cli decode | encode      (standard input to standard output, UTF-8)\n"
    "NODE is a path of component names from a top-level node, such as Form1/Panel1/Button1;\n"
    "a nameless component is matched by its class name; NAME[k] picks the k-th equal sibling.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("korvel-cli " KORVEL_VERSION "\n", stdout);
        return kExitOk;
    }
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    if (args.isEmpty() || args.first() == QStringLiteral("--help") || args.first() == QStringLiteral("-h")) {
        std::fputs(kUsage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? kExitUsage : kExitOk;
    }
    const std::map<QString, int (*)(QStringList)> commands = {
        {QStringLiteral("detect"), CmdDetect},
        {QStringLiteral("to-text"), CmdToText},
        {QStringLiteral("to-binary"), CmdToBinary},
        {QStringLiteral("tree"), CmdTree},
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
        PrintError(QStringLiteral("korvel-cli: unknown command: ") + name);
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    try {
        return it->second(args);
    } catch (const UsageError& e) {
        PrintError(QStringLiteral("korvel-cli ") + name + QStringLiteral(": ") + e.message);
        std::fputs(kUsage, stderr);
        return kExitUsage;
    } catch (const std::exception& e) {
        ReportError(QString(), e);
        return kExitFailure;
    }
}
