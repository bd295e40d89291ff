#pragma once

#include <QMainWindow>
#include <QString>

#include <functional>

class CVarnixDoc;
class CVarnixView;
class QMenu;
class RecentFileList;

// The single-document window of the varnix program: menus "&File", "&Edit"
// and "&Help", their accelerators, the recently used files and the view. No
// tool bar, no status bar. The window title is "<document title> - Varnix".
//
// Failures to open or save go to the user through the current Notifier.
// Closing the window emits closed(); the application decides what follows.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // The frame shows `document` and keeps `recentFiles` up to date; it owns neither.
    CMainFrame(CVarnixDoc& document, RecentFileList& recentFiles, QWidget* parent = nullptr);

    // The file dialogs; tests replace them. An empty path means "cancelled".
    std::function<QString()> chooseOpenPath;
    std::function<QString()> chooseSavePath;

    // Commands of the menus.
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnAppAbout();
    // Opens `path` into the document; on failure tells the user and returns false.
    bool OpenDocumentFile(const QString& path);

    CVarnixView* View() const { return view_; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    bool SaveTo(const QString& path);
    void DocumentChanged();
    void FillRecentFiles();
    void OpenRecentFile(int index);

    CVarnixDoc& document_;
    RecentFileList& recentFiles_;
    CVarnixView* view_;
    QMenu* fileMenu_ = nullptr;
    QAction* recentPlaceholder_ = nullptr;
    QAction* recentEnd_ = nullptr;
    QList<QAction*> recentActions_;
};
