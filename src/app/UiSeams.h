// The modal questions, message boxes and file dialogs of the window, with small
// seams through which tests (and unattended timing runs) answer them instead of a user.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QFileDialog;
class QWidget;

namespace korvel {

// The answers to the question asked before unsaved changes would be thrown away.
enum class TSaveAnswer { Save, Discard, Cancel };

// Hooks that replace the modal dialogs while they are set.
struct TUiSeams {
    // Answers a confirmation instead of the OK/Cancel box: true stands for OK.
    static std::function<bool(const QString& text)> confirm;
    // Answers the Save / Discard / Cancel question instead of the box.
    static std::function<TSaveAnswer(const QString& text)> askSave;
    // Receives the text of an error box instead of showing it.
    static std::function<void(const QString& text)> error;
    // Receives the text of a warning box instead of showing it.
    static std::function<void(const QString& text)> warning;
    // Answers a file dialog instead of showing it: the chosen path, or an empty
    // string for Cancel. The dialog is fully set up (name, filters, selected file).
    static std::function<QString(QFileDialog& dialog)> chooseFile;
    // Clears every hook.
    static void reset();
};

// Asks text with OK and Cancel; true when the user chose OK.
bool ConfirmBox(QWidget* parent, const QString& text);
// Asks text with Save, Discard and Cancel; closing the box counts as Cancel.
TSaveAnswer AskSaveChanges(QWidget* parent, const QString& text);
// Shows text with the error icon and one OK button.
void ErrorBox(QWidget* parent, const QString& text);
// Shows text with the warning icon and one OK button.
void WarningBox(QWidget* parent, const QString& text);
// Shows the dialog modally; the chosen path, or an empty string when cancelled.
QString ExecFileDialog(QFileDialog& dialog);

// Turns a filter written as "Description|*.a;*.b|Description|*.*" into Qt's name
// filters ("Description (*.a *.b)"); "*.*" stands for every file ("*").
QStringList DialogFilterToNameFilters(const QString& filter);

} // namespace korvel
