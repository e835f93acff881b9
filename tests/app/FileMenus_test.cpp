// The code page in the status bar and reopening in another one, the recent files
// on the Open button's drop-down, and Qt's own texts in the interface language.
#include "app/support/WindowFixture.h"

#include "app/RecentFiles.h"

#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace korvel::test {
namespace {

const QString kAsk = QStringLiteral("フォームファイルへの変更を保存しますか？");
const QString kNotFound = QStringLiteral("指定されたフォームファイルがみつかりません");

// An ANSI form whose caption is "日本" in code page 932 ("“ú–{" in 1252).
QByteArray sjisForm()
{
    return "object Form1: TForm1\r\n  Caption = '\x93\xFA\x96\x7B'\r\n"
           "  object A: TButton\r\n  end\r\n  object B: TButton\r\n  end\r\nend\r\n";
}

class FileMenusTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        QSettings(QStringLiteral("Korvel"), QStringLiteral("Korvel")).clear();
    }
    QAction* codePageItem(int codePage) const
    {
        return w()->codePageMenu()->findChild<QAction*>(QStringLiteral("actCodePage%1").arg(codePage));
    }
    // The recent files menu as the drop-down shows it: each entry's text.
    QStringList recentEntries() const
    {
        emit w()->recentFilesMenu()->aboutToShow();
        QStringList texts;
        for (const QAction* a : w()->recentFilesMenu()->actions())
            texts << (a->isEnabled() ? a->text() : QStringLiteral("[disabled] ") + a->text());
        return texts;
    }
    QAction* recentEntry(const QString& path) const
    {
        emit w()->recentFilesMenu()->aboutToShow();
        for (QAction* a : w()->recentFilesMenu()->actions())
            if (a->data().toString() == path)
                return a;
        return nullptr;
    }
    void modify()
    {
        clickNode(QStringLiteral("A"));
        trigger(acts().actDown);
        ASSERT_TRUE(w()->document().IsModified());
    }
};

TEST_F(FileMenusTest, CodePageInTheStatusBarAndReopenInAnother)
{
    const QString ansi = writeFile(QStringLiteral("Sjis.dfm"), sjisForm());
    const QString utf8 = writeFile(QStringLiteral("Utf8.dfm"), "\xEF\xBB\xBF" + NestedTextForm());
    start({ansi});
    auto* field = w()->findChild<QLabel*>(QStringLiteral("StatusBarCodePage"));
    ASSERT_TRUE(field);
    EXPECT_TRUE(field->isVisible());
    EXPECT_EQ(w()->codePageStatusText(), QStringLiteral("CP1252")); // the program's code page
    EXPECT_TRUE(pane()->toPlainText().contains(QStringLiteral("'“ú–{'")));
    ASSERT_TRUE(acts().actReopenWithCodePage->isEnabled());
    auto* bar = w()->findChild<QToolBar*>(QStringLiteral("atbMain"));
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(acts().actReopenWithCodePage));
    ASSERT_TRUE(button);
    EXPECT_EQ(button->defaultAction()->menu<QMenu*>(), w()->codePageMenu());
    EXPECT_EQ(button->popupMode(), QToolButton::InstantPopup);
    QStringList offered;
    for (const QAction* a : w()->codePageMenu()->actions())
        offered << a->text();
    EXPECT_EQ(offered.join(u' '),
        QStringLiteral("CP932 CP936 CP949 CP950 CP1250 CP1251 CP1252 CP1253 CP1254 "
                       "CP1255 CP1256 CP1257 CP1258"));

    // Unsaved changes are asked about first; Cancel keeps everything.
    modify();
    FSaveAnswers = {TSaveAnswer::Cancel};
    codePageItem(932)->trigger();
    EXPECT_EQ(FSaveQuestions, QStringList{kAsk});
    EXPECT_EQ(w()->codePageStatusText(), QStringLiteral("CP1252"));
    EXPECT_TRUE(w()->document().IsModified());

    FSaveAnswers = {TSaveAnswer::Discard};
    codePageItem(932)->trigger();
    EXPECT_EQ(w()->codePageStatusText(), QStringLiteral("CP932"));
    EXPECT_FALSE(w()->document().IsModified());
    ASSERT_TRUE(w()->selectedNode());
    EXPECT_EQ(w()->selectedNode()->record().ObjectName, QStringLiteral("Form1"));
    EXPECT_TRUE(pane()->toPlainText().contains(QStringLiteral("'日本'")));
    emit w()->codePageMenu()->aboutToShow();
    EXPECT_TRUE(codePageItem(932)->isChecked());
    EXPECT_FALSE(codePageItem(1252)->isChecked());

    // A UTF-8 text names its encoding and has no code page to choose.
    FFileNames = {utf8};
    trigger(acts().actOpenFile);
    EXPECT_EQ(w()->codePageStatusText(), QStringLiteral("UTF-8"));
    EXPECT_FALSE(acts().actReopenWithCodePage->isEnabled());

    // The choice is kept for the file for the session: opened again, and refreshed.
    FFileNames = {ansi};
    trigger(acts().actOpenFile);
    EXPECT_EQ(w()->codePageStatusText(), QStringLiteral("CP932"));
    FAnswers = {true};
    trigger(acts().actRefresh);
    EXPECT_EQ(w()->codePageStatusText(), QStringLiteral("CP932"));
    EXPECT_TRUE(pane()->toPlainText().contains(QStringLiteral("'日本'")));
    EXPECT_TRUE(FErrors.isEmpty()) << FErrors.join(u'\n').toStdString();
}

TEST_F(FileMenusTest, RecentFilesOnTheOpenButton)
{
    start();
    auto* bar = w()->findChild<QToolBar*>(QStringLiteral("atbMain"));
    auto* open = qobject_cast<QToolButton*>(bar->widgetForAction(acts().actOpenFile));
    ASSERT_TRUE(open);
    EXPECT_EQ(open->menu(), w()->recentFilesMenu());
    EXPECT_EQ(open->popupMode(), QToolButton::MenuButtonPopup);
    EXPECT_EQ(recentEntries(), QStringList{QStringLiteral("[disabled] (最近使ったファイルはありません)")});

    // Twelve files opened: the last ten, most recent first; opening one again moves it up.
    QStringList paths;
    for (int i = 1; i <= 12; ++i)
        paths << writeFile(QStringLiteral("F&%1.dfm").arg(i), NestedTextForm());
    for (const QString& path : paths) {
        FFileNames = {path};
        trigger(acts().actOpenFile);
    }
    FFileNames = {paths[4]};
    trigger(acts().actOpenFile);
    QStringList expected;
    for (int i : {4, 11, 10, 9, 8, 7, 6, 5, 3, 2})
        expected << paths[i];
    EXPECT_EQ(TRecentFiles::files(), expected);
    const QStringList entries = recentEntries();
    ASSERT_EQ(entries.size(), 10);
    EXPECT_EQ(entries[0], QStringLiteral("&1 ") + QString(paths[4]).replace(u'&', QStringLiteral("&&")));
    EXPECT_EQ(entries[9], QStringLiteral("1&0 ") + QString(paths[2]).replace(u'&', QStringLiteral("&&")));

    // The list outlives the window; an entry opens its file after the unsaved-changes question.
    start();
    EXPECT_EQ(recentEntries().size(), 10);
    recentEntry(paths[9])->trigger();
    EXPECT_EQ(w()->document().OrgFileName(), paths[9]);
    EXPECT_EQ(TRecentFiles::files().first(), paths[9]);
    clickNode(QStringLiteral("Button1"));
    trigger(acts().actDown);
    FSaveAnswers = {TSaveAnswer::Cancel};
    recentEntry(paths[4])->trigger();
    EXPECT_EQ(FSaveQuestions, QStringList{kAsk});
    EXPECT_EQ(w()->document().OrgFileName(), paths[9]);

    // A file that is gone is reported and dropped; the document stays.
    ASSERT_TRUE(QFile::remove(paths[5]));
    recentEntry(paths[5])->trigger();
    EXPECT_EQ(FErrors, QStringList{paths[5] + QStringLiteral(": ") + kNotFound});
    EXPECT_FALSE(TRecentFiles::files().contains(paths[5]));
    EXPECT_EQ(TRecentFiles::files().size(), 9);
    EXPECT_EQ(w()->document().OrgFileName(), paths[9]);
    EXPECT_EQ(FSaveQuestions.size(), 1);
}

// The Save / Discard / Cancel box as the user sees it (no seam): Qt's button texts in
// Japanese by default, in English with the English language file.
TEST_F(FileMenusTest, QtTextsFollowTheInterfaceLanguage)
{
    struct Case {
        const char* name;
        QString languageFile;
        const char* language;
        QStringList buttons; // Save, Discard, Cancel
    };
    const Case cases[] = {
        {"built-in Japanese", QString(), "ja",
            {QStringLiteral("保存"), QStringLiteral("変更を破棄"), QStringLiteral("キャンセル")}},
        {"English language file", QStringLiteral(KORVEL_EXAMPLES_DIR "/korvel.lng.en"), "en",
            {QStringLiteral("Save"), QStringLiteral("Discard"), QStringLiteral("Cancel")}},
    };
    const QString form = writeFile(QStringLiteral("F.dfm"), sjisForm());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start({form}, c.languageFile);
        EXPECT_EQ(w()->qtLanguage(), QString::fromLatin1(c.language));
        modify();
        TUiSeams::askSave = nullptr;
        QStringList shown;
        QString question;
        // Answers the box once it is up: notes its texts and presses Cancel.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(top);
                if (!box || !box->isVisible())
                    continue;
                poll.stop();
                question = box->text();
                for (auto which : {QMessageBox::Save, QMessageBox::Discard, QMessageBox::Cancel})
                    shown << (box->button(which) ? box->button(which)->text() : QString());
                box->button(QMessageBox::Cancel)->click();
                return;
            }
        });
        poll.start(10);
        EXPECT_FALSE(w()->close());
        EXPECT_EQ(
            question, c.language == std::string("ja") ? kAsk : QStringLiteral("Save the changes to the form file?"));
        for (QString& text : shown)
            text.remove(u'&');
        EXPECT_EQ(shown, c.buttons);
        EXPECT_TRUE(w()->document().IsModified());
        TUiSeams::askSave = [](const QString&) { return TSaveAnswer::Discard; };
    }
}

} // namespace
} // namespace korvel::test
