#include "app/UiSeams.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace korvel {

std::function<bool(const QString&)> TUiSeams::confirm;
std::function<TSaveAnswer(const QString&)> TUiSeams::askSave;
std::function<void(const QString&)> TUiSeams::error;
std::function<void(const QString&)> TUiSeams::warning;
std::function<QString(QFileDialog&)> TUiSeams::chooseFile;

void TUiSeams::reset()
{
    confirm = nullptr;
    askSave = nullptr;
    error = nullptr;
    warning = nullptr;
    chooseFile = nullptr;
}

bool ConfirmBox(QWidget* parent, const QString& text)
{
    if (TUiSeams::confirm)
        return TUiSeams::confirm(text);
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), text,
        QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.setWindowModality(Qt::WindowModal);
    return box.exec() == QMessageBox::Ok;
}

TSaveAnswer AskSaveChanges(QWidget* parent, const QString& text)
{
    if (TUiSeams::askSave)
        return TUiSeams::askSave(text);
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), text,
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    box.setWindowModality(Qt::WindowModal);
    switch (box.exec()) {
    case QMessageBox::Save:
        return TSaveAnswer::Save;
    case QMessageBox::Discard:
        return TSaveAnswer::Discard;
    default:
        return TSaveAnswer::Cancel;
    }
}

namespace {

void MessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    box.setWindowModality(Qt::WindowModal);
    box.exec();
}

} // namespace

void ErrorBox(QWidget* parent, const QString& text)
{
    if (TUiSeams::error)
        TUiSeams::error(text);
    else
        MessageBox(parent, QMessageBox::Critical, text);
}

void WarningBox(QWidget* parent, const QString& text)
{
    if (TUiSeams::warning)
        TUiSeams::warning(text);
    else
        MessageBox(parent, QMessageBox::Warning, text);
}

QString ExecFileDialog(QFileDialog& dialog)
{
    if (TUiSeams::chooseFile)
        return TUiSeams::chooseFile(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

QStringList DialogFilterToNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        // The description usually repeats the patterns in brackets; Qt reads the
        // patterns from the brackets, so they are replaced by Qt's own form.
        const qsizetype open = description.lastIndexOf(u'(');
        if (open > 0 && description.endsWith(u')'))
            description = description.left(open).trimmed();
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(u';', Qt::SkipEmptyParts))
            patterns << (p.trimmed() == u"*.*" ? QStringLiteral("*") : p.trimmed());
        result << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return result;
}

} // namespace korvel
