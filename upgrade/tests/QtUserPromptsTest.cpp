// The program file dialog as the user sees it: its filters, what it lists,
// and the path a typed name gives.
#include "upgrade/QtUserPrompts.h"
#include "widgets/tests/FileDialogInput.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

namespace {

void Touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(QtUserPromptsTest, AllFilesListsANameWithoutADotAndThatNameTypedIsTakenAsItIs)
{
    QTemporaryDir folder;
    Touch(folder.filePath(QStringLiteral("DSP_V2")));
    Touch(folder.filePath(QStringLiteral("dsp.bnm")));
    QtUserPrompts prompts;

    QStringList captions;
    QStringList programFiles;
    QStringList allFiles;
    FileDialogInput::WhenOpen([&](FileDialogInput& dialog) {
        captions = dialog.FilterCaptions();
        ASSERT_TRUE(dialog.ShowFolder(folder.path()));
        programFiles = dialog.Listed();
        EXPECT_TRUE(dialog.PressOnFilters(Qt::Key_End));
        allFiles = dialog.Listed();
        dialog.Type(QStringLiteral("DSP_V2"));
    });
    EXPECT_EQ(prompts.ChooseProgramFile(nullptr), folder.filePath(QStringLiteral("DSP_V2")));
    EXPECT_EQ(captions, (QStringList{QStringLiteral("DSP Prog Files (*.bnm)"), QStringLiteral("All Files (*.*)")}));
    EXPECT_EQ(programFiles, QStringList{QStringLiteral("dsp.bnm")});
    EXPECT_EQ(allFiles, (QStringList{QStringLiteral("DSP_V2"), QStringLiteral("dsp.bnm")}));

    // A name without an extension that does not exist gets ".bnm"; one with an extension is kept.
    const std::pair<const char*, const char*> typedAndPassed[] = {{"DSP_V3", "DSP_V3.bnm"}, {"dsp.s19", "dsp.s19"}};
    for (const auto& [typed, passed] : typedAndPassed) {
        FileDialogInput::WhenOpen([&](FileDialogInput& dialog) {
            ASSERT_TRUE(dialog.ShowFolder(folder.path()));
            dialog.Type(QString::fromLatin1(typed));
        });
        EXPECT_EQ(prompts.ChooseProgramFile(nullptr), folder.filePath(QString::fromLatin1(passed))) << typed;
    }
}

}  // namespace
