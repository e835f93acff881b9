// TCommandLine: the arguments of one korvel-cli command, checked as a whole
// before the command touches any file.
#pragma once

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <vector>

namespace korvel::cli {

// An option a command accepts: its spelling and how many values follow it.
struct TOptionSpec {
    QString name;
    int values = 0;
};

// One use of an option, in command-line order.
struct TOptionUse {
    QString name;
    QStringList values;
};

class TCommandLine {
public:
    // Splits args into options and operands. "-" is an operand (standard input or
    // output); "--" makes every later argument an operand; "--name=value" and
    // "-jN" give a one-value option its value. Throws UsageError for an unknown option or a
    // missing value.
    TCommandLine(const QStringList& args, std::initializer_list<TOptionSpec> specs);

    bool Has(const QString& name) const;
    // The value of the last use of a one-value option; fallback when it is absent.
    QString Value(const QString& name, const QString& fallback = {}) const;
    // Every option use in order (for options whose order matters, such as moves).
    const std::vector<TOptionUse>& Uses() const { return FUses; }
    // The arguments that are not options, in order.
    const QStringList& Operands() const { return FOperands; }

    // A positive whole number from option name (fallback when absent); UsageError otherwise.
    int PositiveNumber(const QString& name, int fallback) const;

private:
    std::vector<TOptionUse> FUses;
    QStringList FOperands;
};

} // namespace korvel::cli
