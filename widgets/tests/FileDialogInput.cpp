#include "widgets/tests/FileDialogInput.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTimer>

void FileDialogInput::WhenOpen(std::function<void(FileDialogInput&)> withDialog)
{
    QTimer::singleShot(0, [withDialog = std::move(withDialog)] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        // Keys reach the dialog once it is the active window.
        if (QTest::qWaitForWindowActive(dialog)) {
            FileDialogInput input(*dialog);
            withDialog(input);
        }
        if (dialog->isVisible()) dialog->reject();
    });
}

bool FileDialogInput::ShowFolder(const QString& folder)
{
    dialog_.setDirectory(folder);
    return QTest::qWaitFor([&] { return !Listed().isEmpty(); }, 30000);
}

bool FileDialogInput::PressOnFilters(int key)
{
    const QStringList before = Listed();
    QTest::keyClick(dialog_.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")), static_cast<Qt::Key>(key));
    // The list applies a new filter a little later.
    return QTest::qWaitFor([&] { return Listed() != before; }, 30000);
}

QStringList FileDialogInput::FilterCaptions() const
{
    const auto* filters = dialog_.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QStringList captions;
    for (int i = 0; i < filters->count(); ++i) captions.append(filters->itemText(i));
    return captions;
}

QStringList FileDialogInput::Listed() const
{
    const auto* list = dialog_.findChild<QListView*>(QStringLiteral("listView"));
    const QAbstractItemModel* model = list->model();
    QStringList names;
    for (int row = 0; row < model->rowCount(list->rootIndex()); ++row) {
        const QModelIndex item = model->index(row, 0, list->rootIndex());
        if (item.flags() & Qt::ItemIsEnabled) names.append(item.data().toString());
    }
    names.sort();
    return names;
}

void FileDialogInput::Type(const QString& name)
{
    auto* field = dialog_.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, name);
    // Enter goes to the window, as from the keyboard: the window hands it to
    // the name field, or to the completer's list while that is open over it.
    QTest::keyClick(dialog_.windowHandle(), Qt::Key_Return);
}
