#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "automation/core/ApplicationLock.h"
#include "automation/core/ClassTable.h"
#include "automation/core/Dispatchable.h"

namespace {

constexpr const char* kWidgetId = "{8C0F5E62-3B1A-4D2E-9F10-0123456789AB}";
constexpr const char* kGadgetId = "{11111111-2222-3333-4444-555555555555}";

class Widget : public Dispatchable {
public:
    static const DispatchMap& Map()
    {
        static const DispatchMap map = DispatchMap::Builder<Widget>().Build();
        return map;
    }
    const DispatchMap& GetDispatchMap() const override { return Map(); }
};

ClassTable MakeTable()
{
    ClassTable table;
    EXPECT_EQ(table.Add(ClassFactory("Varnix.Widget", kWidgetId, [] { return std::make_shared<Widget>(); })), S_OK);
    return table;
}

}  // namespace

TEST(ClassFactory, ClassIdsAreKeptInCanonicalForm)
{
    EXPECT_EQ(ClassFactory::CanonicalClassId("8c0f5e62-3b1a-4d2e-9f10-0123456789ab"), kWidgetId);
    EXPECT_EQ(ClassFactory::CanonicalClassId("{8c0f5e62-3b1a-4d2e-9f10-0123456789Ab}"), kWidgetId);
    for (const char* bad : {"", "{}", "8c0f5e62-3b1a-4d2e-9f10-0123456789a", "{8c0f5e62x3b1a-4d2e-9f10-0123456789ab}",
                            "{8c0f5e62-3b1a-4d2e-9f10-0123456789ag}", "(8c0f5e62-3b1a-4d2e-9f10-0123456789ab)"})
        EXPECT_FALSE(ClassFactory::CanonicalClassId(bad)) << bad;
}

TEST(ClassFactory, InvalidDefinitionIsAProgrammingError)
{
    const auto create = [] { return std::make_shared<Widget>(); };
    EXPECT_THROW(ClassFactory("Varnix.Widget", "not a guid", create), std::invalid_argument);
    EXPECT_THROW(ClassFactory("", kWidgetId, create), std::invalid_argument);
    EXPECT_THROW(ClassFactory("Varnix.Widget", kWidgetId, nullptr), std::invalid_argument);
}

TEST(ClassFactory, CreationFailuresBecomeCodes)
{
    std::shared_ptr<Dispatchable> object;
    EXPECT_EQ(ClassFactory("A.B", kWidgetId, [] { return std::shared_ptr<Dispatchable>(); }).CreateInstance(object),
              CO_E_SERVER_EXEC_FAILURE);
    EXPECT_EQ(ClassFactory("A.B", kWidgetId, []() -> std::shared_ptr<Dispatchable> { throw std::runtime_error("x"); })
                  .CreateInstance(object),
              CO_E_SERVER_EXEC_FAILURE);
    EXPECT_EQ(ClassFactory("A.B", kWidgetId, []() -> std::shared_ptr<Dispatchable> { throw std::bad_alloc(); })
                  .CreateInstance(object),
              E_OUTOFMEMORY);
    EXPECT_FALSE(object);
}

TEST(ClassTable, ProgIdLookupIgnoresCase)
{
    const ClassTable table = MakeTable();
    std::string classId;
    EXPECT_EQ(table.ClassIdFromProgId("varnix.widget", classId), S_OK);
    EXPECT_EQ(classId, kWidgetId);
    EXPECT_EQ(table.ClassIdFromProgId("VARNIX.WIDGET", classId), S_OK);
    EXPECT_EQ(table.FindByProgId("vArNiX.wIdGeT"), &table.factories()[0]);
}

TEST(ClassTable, UnknownProgIdIsAnInvalidClassString)
{
    const ClassTable table = MakeTable();
    std::string classId = "unchanged";
    EXPECT_EQ(table.ClassIdFromProgId("Varnix.Gadget", classId), CO_E_CLASSSTRING);
    EXPECT_EQ(classId, "unchanged");
}

TEST(ClassTable, CreatesByClassIdInAnySpelling)
{
    const ClassTable table = MakeTable();
    std::shared_ptr<Dispatchable> a, b;
    EXPECT_EQ(table.Create(kWidgetId, a), S_OK);
    EXPECT_EQ(table.Create("8c0f5e62-3b1a-4d2e-9f10-0123456789ab", b), S_OK);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);  // every creation makes a new object
    EXPECT_NE(dynamic_cast<Widget*>(a.get()), nullptr);
}

TEST(ClassTable, UnknownClassIsNotRegistered)
{
    const ClassTable table = MakeTable();
    std::shared_ptr<Dispatchable> object;
    EXPECT_EQ(table.Create(kGadgetId, object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(table.Create("Varnix.Widget", object), CO_E_CLASSSTRING);
    EXPECT_FALSE(object);
}

TEST(ClassTable, RefusesDuplicates)
{
    ClassTable table = MakeTable();
    const auto create = [] { return std::make_shared<Widget>(); };
    EXPECT_EQ(table.Add(ClassFactory("VARNIX.widget", kGadgetId, create)), E_INVALIDARG);
    EXPECT_EQ(table.Add(ClassFactory("Varnix.Gadget", "8C0F5E62-3B1A-4D2E-9F10-0123456789ab", create)), E_INVALIDARG);
    EXPECT_EQ(table.Add(ClassFactory("Varnix.Gadget", kGadgetId, create)), S_OK);
    EXPECT_EQ(table.factories().size(), 2u);
}
