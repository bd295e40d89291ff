#include "monitor/app/VarnixClassTable.h"

#include "automation/core/ApplicationLock.h"
#include "automation/core/Dispatchable.h"
#include "monitor/app/CVarnixDoc.h"
#include "monitor/serial/Sport.h"
#include "platform/tests/RecordingNotifier.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <set>

namespace {

using Instancing = VarnixClassTable::Instancing;

TEST(VarnixClassTableTest, ProgIdsAndClassIdsAreDistinctAndApartFromTheDocumentInterface)
{
    std::set<std::string> progIds;
    std::set<std::string> classIds;
    for (const auto& row : VarnixClassTable::Rows()) {
        EXPECT_TRUE(progIds.insert(row.factory.progId()).second) << row.factory.progId();
        EXPECT_TRUE(classIds.insert(row.factory.classId()).second) << row.factory.classId();
        EXPECT_NE(row.factory.classId(), *ClassFactory::CanonicalClassId(CVarnixDoc::kInterfaceId));
    }
}

// The classes of the boards list (boards.cmake), which the manual page names, are
// the shared ones; the document is the one other.
TEST(VarnixClassTableTest, TheClassesOfTheBoardsListAndTheDocument)
{
    std::set<std::string> shared;
    std::set<std::string> others;
    for (const auto& row : VarnixClassTable::Rows())
        (row.instancing == Instancing::SharedServer ? shared : others).insert(row.factory.progId());
    std::set<std::string> listed;
    for (const QString& name : QStringLiteral(SCRIPT_CLASSES).split(QStringLiteral(", "))) listed.insert(name.toStdString());
    EXPECT_EQ(shared, listed);
    EXPECT_EQ(others, std::set<std::string>{"Varnix.Document"});
}

TEST(VarnixClassTableTest, DocumentIsOneProcessPerObjectWithItsLongTypeName)
{
    const auto* row = VarnixClassTable::Find("Varnix.Document");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->instancing, Instancing::ProcessPerObject);
    EXPECT_EQ(row->typeName, "Varnix Document");
    EXPECT_EQ(row->factory.classId(), CVarnixDoc::kClassId);
}

TEST(VarnixClassTableTest, BoardAndPortClassesAreSharedAndNamedByTheirProgId)
{
    int shared = 0;
    for (const auto& row : VarnixClassTable::Rows()) {
        if (row.factory.progId() == "Varnix.Document") continue;
        ++shared;
        EXPECT_EQ(row.instancing, Instancing::SharedServer) << row.factory.progId();
        EXPECT_EQ(row.typeName, row.factory.progId());
    }
    EXPECT_EQ(shared + 1, static_cast<int>(VarnixClassTable::Rows().size()));
    const auto* sport = VarnixClassTable::Find("Varnix.Sport");
    ASSERT_NE(sport, nullptr);
    EXPECT_EQ(sport->factory.classId(), Sport::kClassId);
}

TEST(VarnixClassTableTest, FindIgnoresCase)
{
    ASSERT_NE(VarnixClassTable::Find("VARNIX.SPORT"), nullptr);
    EXPECT_EQ(VarnixClassTable::Find("varnix.sport"), VarnixClassTable::Find("Varnix.Sport"));
    EXPECT_EQ(VarnixClassTable::Find("Varnix.Spor"), nullptr);
    EXPECT_EQ(VarnixClassTable::Find("Varnix.Ad21xx"), nullptr);
}

TEST(VarnixClassTableTest, EveryCreatedObjectLocksTheProgramUntilItGoes)
{
    const ScopedConfigHome home;
    // Boards without their port say so through the notifier.
    RecordingNotifier messages;
    Notifier::SetCurrent(&messages);
    for (const auto& row : VarnixClassTable::Rows()) {
        const auto before = ApplicationLock::Process().count();
        std::shared_ptr<Dispatchable> first;
        std::shared_ptr<Dispatchable> second;
        ASSERT_EQ(row.factory.CreateInstance(first), S_OK) << row.factory.progId();
        ASSERT_EQ(row.factory.CreateInstance(second), S_OK) << row.factory.progId();
        EXPECT_NE(first, second);
        EXPECT_EQ(ApplicationLock::Process().count(), before + 2) << row.factory.progId();
        first.reset();
        second.reset();
        EXPECT_EQ(ApplicationLock::Process().count(), before) << row.factory.progId();
    }
    Notifier::SetCurrent(nullptr);
}

TEST(VarnixClassTableTest, SportObjectAnswersWithSportsMap)
{
    const ScopedConfigHome home;
    std::shared_ptr<Dispatchable> object;
    ASSERT_EQ(VarnixClassTable::Find("Varnix.Sport")->factory.CreateInstance(object), S_OK);
    std::int32_t dispid = 0;
    ASSERT_EQ(object->GetIDsOfNames("CommPort", dispid), S_OK);
    EXPECT_EQ(dispid, 5);
    ASSERT_EQ(object->GetIDsOfNames("ErrorMethod", dispid), S_OK);
    EXPECT_EQ(dispid, 0x10001);
}

}  // namespace
