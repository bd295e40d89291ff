#include "monitor/app/CVarnixDoc.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class CVarnixDocTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return folder_.filePath(QString::fromLatin1(name)); }

    static void Write(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    static QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    QTemporaryDir folder_;
    CVarnixDoc document_;
    QString error_;
};

TEST_F(CVarnixDocTest, NewDocumentIsUntitled)
{
    EXPECT_EQ(document_.Title(), QStringLiteral("Untitled"));
    EXPECT_TRUE(document_.PathName().isEmpty());
}

TEST_F(CVarnixDocTest, SavingUnderANewNameWritesAnEmptyFile)
{
    ASSERT_TRUE(document_.OnSaveDocument(Path("new.dat"), error_)) << error_.toStdString();
    EXPECT_TRUE(QFile::exists(Path("new.dat")));
    EXPECT_EQ(QFileInfo(Path("new.dat")).size(), 0);
    EXPECT_EQ(document_.Title(), QStringLiteral("new.dat"));
    EXPECT_EQ(document_.PathName(), Path("new.dat"));
}

TEST_F(CVarnixDocTest, SavingOverAnExistingFileKeepsItsContent)
{
    Write(Path("board.dat"), "precious\0bytes");
    ASSERT_TRUE(document_.OnOpenDocument(Path("board.dat"), error_));
    ASSERT_TRUE(document_.OnSaveDocument(document_.PathName(), error_)) << error_.toStdString();
    EXPECT_EQ(Read(Path("board.dat")), QByteArray("precious\0bytes"));

    Write(Path("other.dat"), "other");
    ASSERT_TRUE(document_.OnSaveDocument(Path("other.dat"), error_));
    EXPECT_EQ(Read(Path("other.dat")), QByteArray("other"));
    EXPECT_EQ(document_.Title(), QStringLiteral("other.dat"));
}

TEST_F(CVarnixDocTest, SavingIntoAMissingFolderFailsWithAReason)
{
    EXPECT_FALSE(document_.OnSaveDocument(Path("no/such/folder/x.dat"), error_));
    EXPECT_FALSE(error_.isEmpty());
    EXPECT_EQ(document_.Title(), QStringLiteral("Untitled"));
}

TEST_F(CVarnixDocTest, SavingOverAFolderFails)
{
    ASSERT_TRUE(QDir(folder_.path()).mkdir(QStringLiteral("sub")));
    EXPECT_FALSE(document_.OnSaveDocument(Path("sub"), error_));
    EXPECT_EQ(error_, QStringLiteral("It is not a file."));
}

TEST_F(CVarnixDocTest, AnyFileOpensAsAnEmptyDocumentTitledAfterIt)
{
    Write(Path("anything.bin"), QByteArray(1000, '\xff'));
    ASSERT_TRUE(document_.OnOpenDocument(Path("anything.bin"), error_));
    EXPECT_EQ(document_.Title(), QStringLiteral("anything.bin"));
    EXPECT_EQ(Read(Path("anything.bin")), QByteArray(1000, '\xff'));
    document_.OnNewDocument();
    EXPECT_EQ(document_.Title(), QStringLiteral("Untitled"));
}

TEST_F(CVarnixDocTest, OpeningAMissingFileAFolderOrAFifoFailsAndKeepsTheDocument)
{
    EXPECT_FALSE(document_.OnOpenDocument(Path("missing.dat"), error_));
    EXPECT_EQ(error_, QStringLiteral("No such file or directory"));
    EXPECT_FALSE(document_.OnOpenDocument(folder_.path(), error_));
    EXPECT_EQ(error_, QStringLiteral("It is a folder."));
    // A FIFO without a writer would hold the open for ever.
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("fifo")).constData(), 0600), 0);
    EXPECT_FALSE(document_.OnOpenDocument(Path("fifo"), error_));
    EXPECT_EQ(error_, QStringLiteral("It is not a regular file."));
    EXPECT_EQ(document_.Title(), QStringLiteral("Untitled"));
}

TEST_F(CVarnixDocTest, AutomationInterfaceHasNoMembers)
{
    std::int32_t dispid = 0;
    EXPECT_EQ(document_.GetIDsOfNames("ErrorMethod", dispid), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(document_.Invoke(1, InvokeKind::Method, {}).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(document_.Invoke(0x10001, InvokeKind::PropertyGet, {}).hr, DISP_E_MEMBERNOTFOUND);
}

}  // namespace
