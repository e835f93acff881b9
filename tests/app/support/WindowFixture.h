// A test fixture that runs the real main window with its dialogs answered by
// the test: confirmations from a queue, file dialogs from a queue, and error
// boxes recorded.
#pragma once

#include "app/ComponentTreeView.h"
#include "app/TEditor.h"
#include "app/TreeModel.h"
#include "app/UiSeams.h"
#include "app/frmuMain.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <ostream>
#include <memory>

// Lets GoogleTest print QStrings readably.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace korvel::test {

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes bytes to a file in the temporary folder and returns its path.
    QString writeFile(const QString& name, const QByteArray& bytes);
    // The bytes of a file (empty when it cannot be read).
    static QByteArray readFile(const QString& path);
    // Creates and shows the window with these arguments; no language file unless given.
    TfrmMain& start(const QStringList& arguments = {}, const QString& languageFile = {});
    // Waits until the load running on the worker thread has been shown; false on a timeout.
    bool waitForLoad();
    // The window's actions.
    const TMainActions& acts() const { return FWindow->actionList(); }
    // Triggers the action after checking that it is enabled.
    void trigger(QAction* action);
    // Sends a key press (and release) to the focused widget of the window.
    void key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    // The first node whose caption is name (depth-first); fails the test when missing.
    TTreeNode* node(const QString& caption) const;
    // Selects the node with this caption the way a mouse click does.
    void clickNode(const QString& caption);
    // One line per node, depth-first: indentation, caption, and " +" (expanded) or
    // " -" (collapsed) for a node with children.
    QStringList treeDump() const;
    // Captions of the nodes in depth-first order that are currently visible rows.
    QStringList visibleRows() const;
    // The caption of the tree's first visible row.
    QString topRow() const;
    static bool isEnabled(const QAction* action) { return action->isEnabled(); }
    // The caption as the window shows it (the modified placeholder resolved).
    QString caption() const;

    TfrmMain* w() const { return FWindow.get(); }
    TComponentTreeView* tree() const { return FWindow->treeView(); }
    TEditor* pane() const { return FWindow->editor(); }

    QTemporaryDir FDir;
    std::unique_ptr<TfrmMain> FWindow;
    // Files at least this large load on the worker thread (set before start).
    qint64 FBackgroundLoadBytes = TfrmMain::TStartOptions().backgroundLoadBytes;
    std::deque<bool> FAnswers;            // answers to confirmations (OK = true)
    std::deque<QString> FFileNames;       // answers to file dialogs ("" = Cancel)
    std::deque<TSaveAnswer> FSaveAnswers; // answers to the unsaved-changes question
    QStringList FSaveQuestions;           // texts of the unsaved-changes questions asked
    QStringList FConfirmations;           // texts of the confirmations asked
    QStringList FErrors;                  // texts of the error boxes shown
    QStringList FWarnings;                // texts of the warning boxes shown
    QStringList FDialogs;                 // object names of the file dialogs shown
    QStringList FDialogFilters;           // their name filters, joined by '|'
    QStringList FDialogSelections;        // the file each dialog had selected when shown
    QStringList FDialogSuffixes;          // their default suffixes
};

// A simple nested ASCII text form used by many tests (CR LF line ends).
QByteArray NestedTextForm();

} // namespace korvel::test
