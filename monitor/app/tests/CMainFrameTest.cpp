#include "monitor/app/CMainFrame.h"

#include "monitor/app/CAboutDlg.h"
#include "monitor/app/CVarnixDoc.h"
#include "monitor/app/CVarnixView.h"
#include "monitor/app/RecentFileList.h"
#include "platform/tests/RecordingNotifier.h"
#include "platform/tests/ScopedConfigHome.h"
#include "widgets/tests/FileDialogInput.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

constexpr const char* kSettings = "frame-test/settings.ini";

QStringList ItemTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (action->isVisible()) texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

class CMainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Notifier::SetCurrent(&messages_);
        frame_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame_));
    }
    void TearDown() override { Notifier::SetCurrent(nullptr); }

    QMenu* Menu(const char* name) const { return frame_.findChild<QMenu*>(QString::fromLatin1(name)); }
    QAction* Action(const char* name) const { return frame_.findChild<QAction*>(QString::fromLatin1(name)); }
    QString Path(const char* name) const { return folder_.filePath(QString::fromLatin1(name)); }

    static void Write(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    ScopedConfigHome home_;
    QTemporaryDir folder_;
    RecordingNotifier messages_;
    CVarnixDoc document_;
    RecentFileList recent_{kSettings};
    CMainFrame frame_{document_, recent_};
};

TEST_F(CMainFrameTest, TitleIsUntitledAndTheApplicationTitle)
{
    EXPECT_EQ(frame_.windowTitle(), QStringLiteral("Untitled - Varnix"));
}

TEST_F(CMainFrameTest, MenusAndTheirItemsInOrder)
{
    QStringList titles;
    for (const QAction* action : frame_.menuBar()->actions()) titles.append(action->text());
    EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&Help"}));
    EXPECT_EQ(ItemTexts(Menu("fileMenu")), QStringList({"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save\tCtrl+S", "Save &As...",
                                                        "-", "Recent File", "-", "E&xit"}));
    EXPECT_FALSE(Action("fileRecent")->isEnabled());
    EXPECT_EQ(ItemTexts(Menu("editMenu")),
              QStringList({"&Undo\tCtrl+Z", "-", "Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V"}));
    EXPECT_EQ(ItemTexts(Menu("helpMenu")), QStringList({"&About Varnix..."}));
}

TEST_F(CMainFrameTest, NoToolBarAndNoStatusBar)
{
    EXPECT_TRUE(frame_.findChildren<QToolBar*>().isEmpty());
    EXPECT_TRUE(frame_.findChildren<QStatusBar*>().isEmpty());
}

TEST_F(CMainFrameTest, EditItemsAreDisabled)
{
    for (const char* name : {"editUndo", "editCut", "editCopy", "editPaste"}) EXPECT_FALSE(Action(name)->isEnabled()) << name;
}

TEST_F(CMainFrameTest, Accelerators)
{
    using Keys = QList<QKeySequence>;
    EXPECT_EQ(Action("fileNew")->shortcuts(), Keys({QKeySequence(QStringLiteral("Ctrl+N"))}));
    EXPECT_EQ(Action("fileOpen")->shortcuts(), Keys({QKeySequence(QStringLiteral("Ctrl+O"))}));
    EXPECT_EQ(Action("fileSave")->shortcuts(), Keys({QKeySequence(QStringLiteral("Ctrl+S"))}));
    EXPECT_EQ(Action("editUndo")->shortcuts(),
              Keys({QKeySequence(QStringLiteral("Ctrl+Z")), QKeySequence(QStringLiteral("Alt+Backspace"))}));
    EXPECT_EQ(Action("editCut")->shortcuts(),
              Keys({QKeySequence(QStringLiteral("Ctrl+X")), QKeySequence(QStringLiteral("Shift+Del"))}));
    EXPECT_EQ(Action("editCopy")->shortcuts(),
              Keys({QKeySequence(QStringLiteral("Ctrl+C")), QKeySequence(QStringLiteral("Ctrl+Ins"))}));
    EXPECT_EQ(Action("editPaste")->shortcuts(),
              Keys({QKeySequence(QStringLiteral("Ctrl+V")), QKeySequence(QStringLiteral("Shift+Ins"))}));
    EXPECT_EQ(Action("nextPane")->shortcut(), QKeySequence(QStringLiteral("F6")));
    EXPECT_EQ(Action("prevPane")->shortcut(), QKeySequence(QStringLiteral("Shift+F6")));
}

TEST_F(CMainFrameTest, CtrlSOnANewDocumentAsksForANameAndWritesAnEmptyFile)
{
    int asked = 0;
    frame_.chooseSavePath = [&] {
        ++asked;
        return Path("saved.dat");
    };
    QTest::keyClick(&frame_, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(asked, 1);
    ASSERT_TRUE(QFile::exists(Path("saved.dat")));
    EXPECT_EQ(QFileInfo(Path("saved.dat")).size(), 0);
    EXPECT_EQ(frame_.windowTitle(), QStringLiteral("saved.dat - Varnix"));
    EXPECT_TRUE(messages_.messages().empty());

    QTest::keyClick(&frame_, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(asked, 1);
}

TEST_F(CMainFrameTest, CtrlSAfterOpeningAFileLeavesItsContent)
{
    Write(Path("program.bnm"), "S00600004844521B\n");
    frame_.chooseOpenPath = [&] { return Path("program.bnm"); };
    QTest::keyClick(&frame_, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(frame_.windowTitle(), QStringLiteral("program.bnm - Varnix"));
    QTest::keyClick(&frame_, Qt::Key_S, Qt::ControlModifier);
    QFile file(Path("program.bnm"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("S00600004844521B\n"));
}

TEST_F(CMainFrameTest, OpenListsAFileWithoutADotUnderAllFilesAndOpensTheNameTyped)
{
    Write(Path("DSP_V2"), "S00600004844521B\n");
    Write(Path("dsp.bnm"), "");
    QStringList captions;
    QStringList listed;
    FileDialogInput::WhenOpen([&](FileDialogInput& dialog) {
        captions = dialog.FilterCaptions();
        ASSERT_TRUE(dialog.ShowFolder(folder_.path()));
        listed = dialog.Listed();
        dialog.Type(QStringLiteral("DSP_V2"));
    });
    QTest::keyClick(&frame_, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(captions, QStringList{QStringLiteral("All Files (*.*)")});
    EXPECT_EQ(listed, (QStringList{QStringLiteral("DSP_V2"), QStringLiteral("dsp.bnm")}));
    EXPECT_EQ(frame_.windowTitle(), QStringLiteral("DSP_V2 - Varnix"));
    EXPECT_EQ(recent_.Files(), QStringList{Path("DSP_V2")});
}

TEST_F(CMainFrameTest, CancelledDialogsChangeNothing)
{
    frame_.chooseOpenPath = [] { return QString(); };
    frame_.chooseSavePath = [] { return QString(); };
    frame_.OnFileOpen();
    frame_.OnFileSave();
    EXPECT_EQ(frame_.windowTitle(), QStringLiteral("Untitled - Varnix"));
    EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(CMainFrameTest, AFailedOpenTellsTheUserAndKeepsTheDocument)
{
    EXPECT_FALSE(frame_.OpenDocumentFile(Path("missing.dat")));
    ASSERT_EQ(messages_.messages().size(), 1u);
    EXPECT_EQ(messages_.messages()[0].caption, "Varnix");
    EXPECT_EQ(messages_.messages()[0].text.rfind("Cannot open the document " + Path("missing.dat").toStdString() + ".\n", 0), 0u);
    EXPECT_EQ(frame_.windowTitle(), QStringLiteral("Untitled - Varnix"));
    EXPECT_TRUE(recent_.Files().isEmpty());
}

TEST_F(CMainFrameTest, AFailedSaveTellsTheUser)
{
    frame_.chooseSavePath = [&] { return Path("no/folder/x.dat"); };
    frame_.OnFileSaveAs();
    ASSERT_EQ(messages_.messages().size(), 1u);
    EXPECT_EQ(messages_.messages()[0].text.rfind("Cannot save the document as ", 0), 0u);
    EXPECT_EQ(frame_.windowTitle(), QStringLiteral("Untitled - Varnix"));
}

TEST_F(CMainFrameTest, RecentFilesReplaceThePlaceholderAndOpenTheirFile)
{
    Write(Path("a.dat"), "a");
    Write(Path("b.dat"), "b");
    ASSERT_TRUE(frame_.OpenDocumentFile(Path("a.dat")));
    ASSERT_TRUE(frame_.OpenDocumentFile(Path("b.dat")));
    EXPECT_EQ(ItemTexts(Menu("fileMenu")),
              QStringList({"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save\tCtrl+S", "Save &As...", "-",
                           QStringLiteral("&1 ") + Path("b.dat"), QStringLiteral("&2 ") + Path("a.dat"), "-", "E&xit"}));
    Action("fileMru2")->trigger();
    EXPECT_EQ(frame_.windowTitle(), QStringLiteral("a.dat - Varnix"));
    EXPECT_EQ(RecentFileList(kSettings).Files(), QStringList({Path("a.dat"), Path("b.dat")}));

    frame_.OnFileNew();
    EXPECT_EQ(frame_.windowTitle(), QStringLiteral("Untitled - Varnix"));
}

TEST_F(CMainFrameTest, ARecentFileThatIsGoneLeavesTheList)
{
    Write(Path("gone.dat"), "x");
    ASSERT_TRUE(frame_.OpenDocumentFile(Path("gone.dat")));
    frame_.OnFileNew();
    ASSERT_TRUE(QFile::remove(Path("gone.dat")));
    Action("fileMru1")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(messages_.messages().size(), 1u);
    EXPECT_TRUE(recent_.Files().isEmpty());
    EXPECT_TRUE(Action("fileRecent")->isVisible());
    EXPECT_EQ(frame_.windowTitle(), QStringLiteral("Untitled - Varnix"));
}

TEST_F(CMainFrameTest, ExitClosesTheWindowAndSaysSo)
{
    QSignalSpy closed(&frame_, &CMainFrame::closed);
    Action("appExit")->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(frame_.isVisible());
}

TEST_F(CMainFrameTest, AboutBoxShowsTheVersionAndClosesWithOk)
{
    QString caption;
    QString version;
    bool isDefault = false;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        caption = about->windowTitle();
        version = about->findChild<QLabel*>(QStringLiteral("version"))->text();
        isDefault = about->OkButton()->isDefault();
        about->OkButton()->click();
    });
    Action("appAbout")->trigger();
    EXPECT_EQ(caption, QStringLiteral("About Varnix"));
    EXPECT_EQ(version, QStringLiteral("Varnix Version 1.6"));
    EXPECT_TRUE(isDefault);
}

TEST_F(CMainFrameTest, TheViewStaysBlankWhateverTheSize)
{
    for (const QSize size : {QSize(300, 200), QSize(640, 480), QSize(123, 457)}) {
        frame_.resize(size);
        QCoreApplication::processEvents();
        const QImage image = frame_.View()->grab().toImage();
        ASSERT_FALSE(image.isNull());
        const QRgb background = image.pixel(0, 0);
        bool blank = true;
        for (int y = 0; y < image.height() && blank; ++y)
            for (int x = 0; x < image.width() && blank; ++x) blank = image.pixel(x, y) == background;
        EXPECT_TRUE(blank) << size.width() << "x" << size.height();
        EXPECT_EQ(QColor(background), frame_.View()->palette().color(QPalette::Window));
    }
}

}  // namespace
