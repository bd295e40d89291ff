#include "monitor/app/CMainFrame.h"

#include "monitor/app/CAboutDlg.h"
#include "monitor/app/CVarnixDoc.h"
#include "monitor/app/CVarnixView.h"
#include "monitor/app/RecentFileList.h"
#include "monitor/app/VarnixIcon.h"
#include "monitor/app/VarnixResources.h"
#include "platform/Notifier.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QMenuBar>

namespace {

// The file dialogs' one filter. The dialogs hide the last parentheses, which
// hold the pattern they list by, and show the caption before them: "*.*" as a
// pattern would list only names with a dot.
const QString kAllFiles = QStringLiteral("All Files (*.*) (*)");
constexpr QFileDialog::Options kFileDialogOptions = QFileDialog::HideNameFilterDetails;

QAction* AddItem(QMenu* menu, const char* name, const QString& text, const QList<QKeySequence>& keys = {})
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(keys);
    return action;
}

void Tell(const QString& text)
{
    Notifier::Current().Show(text.toStdString(), VarnixResources::kAppTitle);
}

}  // namespace

CMainFrame::CMainFrame(CVarnixDoc& document, RecentFileList& recentFiles, QWidget* parent)
    : QMainWindow(parent), document_(document), recentFiles_(recentFiles), view_(new CVarnixView(this))
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(VarnixIcon::Make());
    setCentralWidget(view_);
    // An empty view asks for no room; this is the size a new window gets.
    resize(640, 480);
    chooseOpenPath = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QString(), kAllFiles, nullptr,
                                            kFileDialogOptions);
    };
    chooseSavePath = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), document_.Title(), kAllFiles, nullptr,
                                            kFileDialogOptions);
    };
    BuildMenus();
    DocumentChanged();
}

void CMainFrame::BuildMenus()
{
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_->setObjectName(QStringLiteral("fileMenu"));
    connect(AddItem(fileMenu_, "fileNew", QStringLiteral("&New\tCtrl+N"), {QKeySequence(Qt::CTRL | Qt::Key_N)}),
            &QAction::triggered, this, &CMainFrame::OnFileNew);
    connect(AddItem(fileMenu_, "fileOpen", QStringLiteral("&Open...\tCtrl+O"), {QKeySequence(Qt::CTRL | Qt::Key_O)}),
            &QAction::triggered, this, &CMainFrame::OnFileOpen);
    connect(AddItem(fileMenu_, "fileSave", QStringLiteral("&Save\tCtrl+S"), {QKeySequence(Qt::CTRL | Qt::Key_S)}),
            &QAction::triggered, this, &CMainFrame::OnFileSave);
    connect(AddItem(fileMenu_, "fileSaveAs", QStringLiteral("Save &As...")), &QAction::triggered, this,
            &CMainFrame::OnFileSaveAs);
    fileMenu_->addSeparator();
    recentPlaceholder_ = AddItem(fileMenu_, "fileRecent", QStringLiteral("Recent File"));
    recentPlaceholder_->setEnabled(false);
    recentEnd_ = fileMenu_->addSeparator();
    connect(AddItem(fileMenu_, "appExit", QStringLiteral("E&xit")), &QAction::triggered, this, &QWidget::close);

    // No command handles these, so they stay disabled.
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));
    AddItem(edit, "editUndo", QStringLiteral("&Undo\tCtrl+Z"),
            {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    edit->addSeparator();
    AddItem(edit, "editCut", QStringLiteral("Cu&t\tCtrl+X"),
            {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    AddItem(edit, "editCopy", QStringLiteral("&Copy\tCtrl+C"),
            {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    AddItem(edit, "editPaste", QStringLiteral("&Paste\tCtrl+V"),
            {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    for (QAction* action : edit->actions()) action->setEnabled(false);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    connect(AddItem(help, "appAbout", QStringLiteral("&About Varnix...")), &QAction::triggered, this,
            &CMainFrame::OnAppAbout);

    // Next and previous pane: the window has one pane, the view.
    for (const auto& [name, key] : {std::pair{"nextPane", QKeySequence(Qt::Key_F6)},
                                    std::pair{"prevPane", QKeySequence(Qt::SHIFT | Qt::Key_F6)}}) {
        auto* pane = new QAction(this);
        pane->setObjectName(QString::fromLatin1(name));
        pane->setShortcut(key);
        connect(pane, &QAction::triggered, view_, qOverload<>(&QWidget::setFocus));
        addAction(pane);
    }
}

void CMainFrame::OnFileNew()
{
    document_.OnNewDocument();
    DocumentChanged();
}

void CMainFrame::OnFileOpen()
{
    const QString path = chooseOpenPath();
    if (!path.isEmpty()) OpenDocumentFile(path);
}

void CMainFrame::OnFileSave()
{
    if (document_.PathName().isEmpty())
        OnFileSaveAs();
    else
        SaveTo(document_.PathName());
}

void CMainFrame::OnFileSaveAs()
{
    const QString path = chooseSavePath();
    if (!path.isEmpty()) SaveTo(path);
}

void CMainFrame::OnAppAbout()
{
    CAboutDlg about(this);
    about.exec();
}

bool CMainFrame::OpenDocumentFile(const QString& path)
{
    QString error;
    if (!document_.OnOpenDocument(path, error)) {
        Tell(QStringLiteral("Cannot open the document %1.\n%2").arg(QDir::toNativeSeparators(path), error));
        return false;
    }
    recentFiles_.Add(document_.PathName());
    DocumentChanged();
    return true;
}

bool CMainFrame::SaveTo(const QString& path)
{
    QString error;
    if (!document_.OnSaveDocument(path, error)) {
        Tell(QStringLiteral("Cannot save the document as %1.\n%2").arg(QDir::toNativeSeparators(path), error));
        return false;
    }
    recentFiles_.Add(document_.PathName());
    DocumentChanged();
    return true;
}

void CMainFrame::DocumentChanged()
{
    setWindowTitle(document_.Title() + QStringLiteral(" - ") + QString::fromLatin1(VarnixResources::kAppTitle));
    FillRecentFiles();
}

void CMainFrame::FillRecentFiles()
{
    for (QAction* action : recentActions_) {
        // Later: the action may be the one whose command is running.
        fileMenu_->removeAction(action);
        action->deleteLater();
    }
    recentActions_.clear();
    const QStringList& files = recentFiles_.Files();
    recentPlaceholder_->setVisible(files.isEmpty());
    for (int i = 0; i < files.size(); ++i) {
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files.at(i))), this);
        action->setObjectName(QStringLiteral("fileMru%1").arg(i + 1));
        connect(action, &QAction::triggered, this, [this, i] { OpenRecentFile(i); });
        fileMenu_->insertAction(recentEnd_, action);
        recentActions_.append(action);
    }
}

void CMainFrame::OpenRecentFile(int index)
{
    const QString path = recentFiles_.Files().value(index);
    if (!OpenDocumentFile(path)) {
        // A file that cannot be opened any more leaves the list.
        const int stale = static_cast<int>(recentFiles_.Files().indexOf(path));
        recentFiles_.Remove(stale);
        FillRecentFiles();
    }
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closed();
}
