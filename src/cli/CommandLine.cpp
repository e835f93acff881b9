#include "cli/CommandLine.h"

#include "cli/CliSupport.h"

#include <charconv>

namespace korvel::cli {

TCommandLine::TCommandLine(const QStringList& args, std::initializer_list<TOptionSpec> specs)
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (optionsEnded || arg == QStringLiteral("-") || !arg.startsWith(u'-')) {
            FOperands << arg;
            continue;
        }
        if (arg == QStringLiteral("--")) {
            optionsEnded = true;
            continue;
        }
        QString name = arg;
        QString inlineValue;
        bool hasInline = false;
        if (arg.startsWith(QStringLiteral("--"))) {
            const qsizetype eq = arg.indexOf(u'=');
            if (eq > 0) {
                name = arg.left(eq);
                inlineValue = arg.mid(eq + 1);
                hasInline = true;
            }
        } else if (arg.size() > 2) {
            // "-j4": a one-letter option with its value attached.
            for (const TOptionSpec& s : specs)
                if (s.values == 1 && s.name == arg.left(2)) {
                    name = arg.left(2);
                    inlineValue = arg.mid(2);
                    hasInline = true;
                }
        }
        const TOptionSpec* option = nullptr;
        for (const TOptionSpec& s : specs)
            if (s.name == name)
                option = &s;
        if (!option)
            throw UsageError{QStringLiteral("unknown option: ") + arg};
        TOptionUse use{name, {}};
        if (hasInline) {
            if (option->values != 1)
                throw UsageError{QStringLiteral("unknown option: ") + arg};
            use.values << inlineValue;
        } else {
            if (args.size() - i - 1 < option->values)
                throw UsageError{name + QStringLiteral(" needs ") + QString::number(option->values)
                    + (option->values == 1 ? QStringLiteral(" value") : QStringLiteral(" values"))};
            for (int k = 0; k < option->values; ++k)
                use.values << args[++i];
        }
        FUses.push_back(std::move(use));
    }
}

bool TCommandLine::Has(const QString& name) const
{
    for (const TOptionUse& u : FUses)
        if (u.name == name)
            return true;
    return false;
}

QString TCommandLine::Value(const QString& name, const QString& fallback) const
{
    for (auto it = FUses.rbegin(); it != FUses.rend(); ++it)
        if (it->name == name && !it->values.isEmpty())
            return it->values.first();
    return fallback;
}

int TCommandLine::PositiveNumber(const QString& name, int fallback) const
{
    if (!Has(name))
        return fallback;
    const QString text = Value(name);
    const QByteArray digits = text.toLatin1();
    int n = 0;
    const auto r = std::from_chars(digits.constData(), digits.constData() + digits.size(), n);
    if (digits.isEmpty() || r.ec != std::errc() || r.ptr != digits.constData() + digits.size() || n < 1)
        throw UsageError{name + QStringLiteral(" needs a positive number: ") + text};
    return n;
}

} // namespace korvel::cli
