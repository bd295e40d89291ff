#pragma once

#include "configurator/DialogLayout.h"

#include <QDialog>
#include <QStringList>

class QTextEdit;

// A reference table shown as lines of tab-separated text with a "Close" button below.
class CLookupDlg : public QDialog {
    Q_OBJECT
public:
    // The lines as shown, in order.
    QStringList ShownLines() const;

protected:
    // `tabStop` is the width of one column in dialog units; with `centreLastLine` the
    // last line stands centred under the table.
    CLookupDlg(QWidget* parent, const QString& title, int width, int height,
               const QStringList& lines, int tabStop, bool centreLastLine);

private:
    DialogLayout layout_;
    QTextEdit* text_;
};
