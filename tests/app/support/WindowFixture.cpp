#include "app/support/WindowFixture.h"

#include <QDir>
#include <QWindow>
#include <QFileInfo>
#include <QScrollBar>
#include <QSignalSpy>

#include <vector>

namespace korvel::test {

void WindowFixture::SetUp()
{
    ASSERT_TRUE(FDir.isValid());
    TUiSeams::confirm = [this](const QString& text) {
        FConfirmations << text;
        if (FAnswers.empty()) {
            ADD_FAILURE() << "unexpected confirmation: " << text.toStdString();
            return false;
        }
        const bool answer = FAnswers.front();
        FAnswers.pop_front();
        return answer;
    };
    TUiSeams::error = [this](const QString& text) { FErrors << text; };
    TUiSeams::warning = [this](const QString& text) { FWarnings << text; };
    TUiSeams::askSave = [this](const QString& text) {
        FSaveQuestions << text;
        if (FSaveAnswers.empty()) {
            ADD_FAILURE() << "unexpected save question: " << text.toStdString();
            return TSaveAnswer::Cancel;
        }
        const TSaveAnswer answer = FSaveAnswers.front();
        FSaveAnswers.pop_front();
        return answer;
    };
    TUiSeams::chooseFile = [this](QFileDialog& dialog) {
        FDialogs << dialog.objectName();
        FDialogFilters << dialog.nameFilters().join(u'|');
        FDialogSuffixes << dialog.defaultSuffix();
        const QStringList selected = dialog.selectedFiles();
        // With no file name the dialog reports its folder.
        FDialogSelections << (selected.isEmpty() || QFileInfo(selected.first()).isDir()
                ? QString()
                : QFileInfo(selected.first()).fileName());
        if (FFileNames.empty()) {
            ADD_FAILURE() << "unexpected file dialog: " << dialog.objectName().toStdString();
            return QString();
        }
        const QString name = FFileNames.front();
        FFileNames.pop_front();
        return name;
    };
}

void WindowFixture::TearDown()
{
    FWindow.reset();
    TUiSeams::reset();
    EXPECT_TRUE(FAnswers.empty()) << "confirmation answers left over";
    EXPECT_TRUE(FFileNames.empty()) << "file names left over";
    EXPECT_TRUE(FSaveAnswers.empty()) << "save answers left over";
}

QString WindowFixture::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = FDir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
    return path;
}

QByteArray WindowFixture::readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

TfrmMain& WindowFixture::start(const QStringList& arguments, const QString& languageFile)
{
    TfrmMain::TStartOptions options;
    options.arguments = arguments;
    options.languageFile = languageFile.isEmpty() ? FDir.filePath(QStringLiteral("absent.lng")) : languageFile;
    options.backgroundLoadBytes = FBackgroundLoadBytes;
    FWindow = std::make_unique<TfrmMain>(options);
    FWindow->show();
    QApplication::setActiveWindow(FWindow.get());
    FWindow->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(FWindow.get()));
    // The command-line file is opened by a message posted once the window is exposed.
    EXPECT_TRUE(QTest::qWaitForWindowExposed(FWindow.get()));
    QCoreApplication::sendPostedEvents();
    return *FWindow;
}

bool WindowFixture::waitForLoad()
{
    if (!FWindow->isLoading())
        return true;
    QSignalSpy finished(FWindow.get(), &TfrmMain::loadFinished);
    return finished.wait(10000);
}

void WindowFixture::trigger(QAction* action)
{
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(action->isEnabled()) << action->objectName().toStdString() << " is disabled";
    action->trigger();
}

void WindowFixture::key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    target->setFocus();
    QTest::keyClick(target, key, modifiers);
}

TTreeNode* WindowFixture::node(const QString& caption) const
{
    const TComponentTree& t = FWindow->document().Tree();
    for (int64_t i = 0; i < t.count(); ++i) {
        TTreeNode* n = t.GetNodeFromIndex(i);
        if (n->caption() == caption)
            return n;
    }
    ADD_FAILURE() << "no node " << caption.toStdString();
    return nullptr;
}

void WindowFixture::clickNode(const QString& caption)
{
    const QModelIndex index = FWindow->model()->indexOf(node(caption));
    tree()->scrollTo(index);
    const QRect r = tree()->visualRect(index);
    ASSERT_TRUE(r.isValid()) << caption.toStdString() << " is not visible";
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

QStringList WindowFixture::treeDump() const
{
    QStringList lines;
    const TComponentTree& t = FWindow->document().Tree();
    for (int64_t i = 0; i < t.count(); ++i) {
        const TTreeNode* n = t.GetNodeFromIndex(i);
        QString line = QString(2 * n->depth(), u' ') + n->caption();
        if (n->hasChildren())
            line += tree()->isExpanded(FWindow->model()->indexOf(n)) ? QStringLiteral(" +") : QStringLiteral(" -");
        lines << line;
    }
    return lines;
}

QStringList WindowFixture::visibleRows() const
{
    QStringList rows;
    for (QModelIndex i = FWindow->model()->index(0, 0); i.isValid(); i = tree()->indexBelow(i))
        rows << i.data().toString();
    return rows;
}

QString WindowFixture::topRow() const
{
    tree()->doItemsLayout();
    return tree()->indexAt(QPoint(2, 2)).data().toString();
}

QString WindowFixture::caption() const
{
    return FWindow->windowHandle() ? FWindow->windowHandle()->title() : FWindow->windowTitle();
}

QByteArray NestedTextForm()
{
    return QByteArrayLiteral("object Form1: TForm1\r\n"
                             "  Left = 0\r\n"
                             "  Caption = 'Main'\r\n"
                             "  object Panel1: TPanel\r\n"
                             "    Left = 8\r\n"
                             "    object Button1: TButton\r\n"
                             "      Caption = 'OK'\r\n"
                             "    end\r\n"
                             "    object Button2: TButton\r\n"
                             "      Caption = 'Cancel'\r\n"
                             "    end\r\n"
                             "  end\r\n"
                             "  object Panel2: TPanel\r\n"
                             "    Left = 16\r\n"
                             "    object Edit1: TEdit\r\n"
                             "      Text = 'abc'\r\n"
                             "      object Inner1: TLabel\r\n"
                             "        Tag = 1\r\n"
                             "      end\r\n"
                             "    end\r\n"
                             "  end\r\n"
                             "  object Memo1: TMemo\r\n"
                             "    Caption = #233't'#233\r\n"
                             "  end\r\n"
                             "end\r\n");
}

} // namespace korvel::test
