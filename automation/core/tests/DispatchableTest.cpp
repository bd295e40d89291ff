#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "automation/core/DispatchException.h"
#include "automation/core/Dispatchable.h"

namespace {

class Root : public Dispatchable {
public:
    static const DispatchMap& Map()
    {
        static const DispatchMap map = DispatchMap::Builder<Root>()
                                           .Property("Value", &Root::GetValue, &Root::SetValue)  // 1
                                           .ReadOnlyProperty("Name", &Root::GetName)             // 2
                                           .WriteOnlyProperty("Secret", &Root::SetSecret)        // 3
                                           .Method("Add", &Root::Add, {VT_I4, VT_I2})            // 4
                                           .Method("Echo", &Root::Echo)                          // 5
                                           .Method("Concat", &Root::Concat)                      // 6
                                           .Method("Fail", &Root::Fail)                          // 7
                                           .Method("Crash", &Root::Crash)                        // 8
                                           .Method("Starve", &Root::Starve)                      // 9
                                           .Method("Reset", &Root::Reset)                        // 10
                                           .Build();
        return map;
    }
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    std::int32_t GetValue() const { return value; }
    void SetValue(std::int32_t v) { value = v; }
    std::string GetName() const { return "root"; }
    void SetSecret(const std::string& s) { secret = s; }
    Variant Add(std::int32_t a, std::int16_t b) { return Variant::I4(a + b); }
    Variant Echo(const Variant& v) { return v; }
    std::string Concat(const std::string& a, bool upper) { return upper ? a + "!" : a; }
    Variant Fail() { throw DispatchException(0x1234, "it failed", "Root", 7); }
    Variant Crash() { throw std::runtime_error("broken"); }
    Variant Starve() { throw std::bad_alloc(); }
    void Reset() { value = 0; }

    std::int32_t value = 0;
    std::string secret;
};

class Child : public Root {
public:
    static const DispatchMap& Map()
    {
        static const DispatchMap map = DispatchMap::Builder<Child, Root>()
                                           .Method("Twice", &Child::Twice)               // 1
                                           .ReadOnlyProperty("NAME", &Child::ChildName)  // 2: hides Root's Name
                                           .Method("Add", &Root::Add)                    // 3: a base member under a new number
                                           .Build();
        return map;
    }
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    Variant Twice(std::int32_t v) { return Variant::I4(2 * v); }
    std::string ChildName() const { return "child"; }
};

class GrandChild : public Child {
public:
    static const DispatchMap& Map()
    {
        static const DispatchMap map = DispatchMap::Builder<GrandChild, Child>().Build();
        return map;
    }
    const DispatchMap& GetDispatchMap() const override { return Map(); }
};

std::int32_t IdOf(const Dispatchable& object, const std::string& name)
{
    std::int32_t id = -1;
    EXPECT_EQ(object.GetIDsOfNames(name, id), S_OK) << name;
    return id;
}

InvokeResult Get(Dispatchable& object, std::int32_t id)
{
    return object.Invoke(id, InvokeKind::PropertyGet, {});
}

InvokeResult Put(Dispatchable& object, std::int32_t id, Variant value)
{
    return object.Invoke(id, InvokeKind::PropertyPut, {std::move(value)});
}

InvokeResult Call(Dispatchable& object, std::int32_t id, std::vector<Variant> args)
{
    return object.Invoke(id, InvokeKind::Method, std::move(args));
}

}  // namespace

TEST(DispatchMap, IdentifiersFollowPositionAndDepth)
{
    Root root;
    EXPECT_EQ(IdOf(root, "Value"), 1);
    EXPECT_EQ(IdOf(root, "Reset"), 10);
    Child child;
    EXPECT_EQ(IdOf(child, "Twice"), 1);
    EXPECT_EQ(IdOf(child, "Value"), 0x10001);
    EXPECT_EQ(IdOf(child, "Reset"), 0x1000A);
    GrandChild grandChild;
    EXPECT_EQ(IdOf(grandChild, "Twice"), 0x10001);
    EXPECT_EQ(IdOf(grandChild, "Value"), 0x20001);
}

TEST(DispatchMap, NamesIgnoreCase)
{
    Root root;
    EXPECT_EQ(IdOf(root, "value"), 1);
    EXPECT_EQ(IdOf(root, "VALUE"), 1);
    EXPECT_EQ(IdOf(root, "cOnCaT"), 6);
}

TEST(DispatchMap, OwnClassIsSearchedFirst)
{
    Child child;
    EXPECT_EQ(IdOf(child, "name"), 2);
    EXPECT_EQ(IdOf(child, "Add"), 3);
    EXPECT_EQ(Get(child, 2).result, Variant::Bstr("child"));
    EXPECT_EQ(Get(child, 0x10002).result, Variant::Bstr("root"));
    EXPECT_EQ(Call(child, 3, {Variant::I4(1), Variant::I4(2)}).result, Variant::I4(3));
}

TEST(DispatchMap, UnknownNameFails)
{
    Root root;
    std::int32_t id = 77;
    EXPECT_EQ(root.GetIDsOfNames("Missing", id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(root.GetIDsOfNames("", id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, 77);
}

TEST(DispatchMap, DescribesMembers)
{
    const auto& members = Root::Map().members();
    ASSERT_EQ(members.size(), 10u);
    EXPECT_EQ(members[3].name, "Add");
    EXPECT_EQ(members[3].params, (std::vector<VarType>{VT_I4, VT_I2}));
    EXPECT_EQ(members[3].type, VT_VARIANT);
    EXPECT_EQ(members[5].type, VT_BSTR);
    EXPECT_EQ(members[9].type, VT_EMPTY);
    EXPECT_EQ(members[1].type, VT_BSTR);
    EXPECT_FALSE(members[1].put);
    EXPECT_FALSE(members[2].get);
    EXPECT_EQ(Child::Map().base(), &Root::Map());
    EXPECT_EQ(Root::Map().base(), nullptr);
}

TEST(DispatchMap, DeclaredTypesMustMatchTheSignature)
{
    EXPECT_THROW((DispatchMap::Builder<Root>().Method("Add", &Root::Add, {VT_I4, VT_I4})), std::logic_error);
}

TEST(DispatchMap, RepeatedNameIsRefused)
{
    EXPECT_THROW(
        (DispatchMap::Builder<Root>().Method("Echo", &Root::Echo).Method("ECHO", &Root::Echo).Build()),
        std::logic_error);
}

TEST(Invoke, PropertyGetAndPut)
{
    Root root;
    EXPECT_EQ(Put(root, 1, Variant::I4(41)).hr, S_OK);
    const InvokeResult r = Get(root, 1);
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.result, Variant::I4(41));
    EXPECT_EQ(root.Invoke(1, InvokeKind::Method | InvokeKind::PropertyGet, {}).result, Variant::I4(41));
}

TEST(Invoke, PutConvertsToThePropertyType)
{
    Root root;
    EXPECT_EQ(Put(root, 1, Variant::Bstr("12")).hr, S_OK);
    EXPECT_EQ(root.value, 12);
    EXPECT_EQ(Put(root, 1, Variant::R8(2.5)).hr, S_OK);
    EXPECT_EQ(root.value, 2);
    const InvokeResult r = Put(root, 1, Variant::Bstr("twelve"));
    EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(r.argErr, 0u);
    EXPECT_EQ(root.value, 2);
}

TEST(Invoke, WritingAReadOnlyPropertyIsADispatchException)
{
    Root root;
    const InvokeResult r = Put(root, 2, Variant::Bstr("x"));
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.description, "Unable to write read-only property.");
    EXPECT_EQ(r.excep.code, DispatchException::kReadOnlyCode);
}

TEST(Invoke, ReadingAWriteOnlyPropertyIsADispatchException)
{
    Root root;
    EXPECT_EQ(Put(root, 3, Variant::Bstr("hidden")).hr, S_OK);
    EXPECT_EQ(root.secret, "hidden");
    const InvokeResult r = Get(root, 3);
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.description, "Unable to read write-only property.");
    EXPECT_EQ(r.excep.code, DispatchException::kWriteOnlyCode);
    EXPECT_EQ(r.result, Variant());
}

TEST(Invoke, MethodArgumentsAreConvertedToDeclaredTypes)
{
    Root root;
    const InvokeResult r = Call(root, 4, {Variant::Bstr("40"), Variant::R8(2.0)});
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.result, Variant::I4(42));
    EXPECT_EQ(Call(root, 6, {Variant::I4(7), Variant::I4(1)}).result, Variant::Bstr("7!"));
}

TEST(Invoke, VariantParametersTakeTheArgumentAsGiven)
{
    Root root;
    const Variant array = Variant::Array(SafeArray::Vector(VT_R4, 2));
    EXPECT_EQ(Call(root, 5, {array}).result, array);
    EXPECT_EQ(Call(root, 5, {Variant::Null()}).result, Variant::Null());
}

TEST(Invoke, VoidMethodReturnsEmpty)
{
    Root root;
    root.value = 9;
    const InvokeResult r = Call(root, 10, {});
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.result, Variant());
    EXPECT_EQ(root.value, 0);
}

TEST(Invoke, TypeMismatchNamesTheArgument)
{
    Root root;
    InvokeResult r = Call(root, 4, {Variant::I4(1), Variant::Bstr("two")});
    EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(r.argErr, 1u);
    r = Call(root, 4, {Variant::Null(), Variant::I2(1)});
    EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(r.argErr, 0u);
    r = Call(root, 4, {Variant::I4(1), Variant::I4(40000)});
    EXPECT_EQ(r.hr, DISP_E_OVERFLOW);
    EXPECT_EQ(r.argErr, 1u);
    Variant target = Variant::I4(1);
    r = Call(root, 4, {Variant::ByRef(&target), Variant::I2(1)});
    EXPECT_EQ(r.hr, DISP_E_BADVARTYPE);
    EXPECT_EQ(r.argErr, 0u);
}

TEST(Invoke, WrongParameterCount)
{
    Root root;
    EXPECT_EQ(Call(root, 4, {Variant::I4(1)}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(root, 4, {Variant::I4(1), Variant::I4(1), Variant::I4(1)}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Get(root, 1).hr, S_OK);
    EXPECT_EQ(root.Invoke(1, InvokeKind::PropertyGet, {Variant::I4(1)}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(root.Invoke(1, InvokeKind::PropertyPut, {}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(root.Invoke(1, InvokeKind::PropertyPut, {Variant::I4(1), Variant::I4(2)}).hr, DISP_E_BADPARAMCOUNT);
}

TEST(Invoke, MemberNotFound)
{
    Root root;
    for (std::int32_t id : {0, -1, 11, 0x10001, 0x7FFF0001, static_cast<std::int32_t>(0x80000001)})
        EXPECT_EQ(Call(root, id, {}).hr, DISP_E_MEMBERNOTFOUND) << id;
    GrandChild grandChild;
    EXPECT_EQ(Get(grandChild, 0x2000B).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Get(grandChild, 0x30001).hr, DISP_E_MEMBERNOTFOUND);
    // A method cannot be assigned to.
    EXPECT_EQ(Put(root, 4, Variant::I4(1)).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(root.Invoke(1, InvokeKind::PropertyPutRef, {Variant::I4(1)}).hr, DISP_E_MEMBERNOTFOUND);
}

TEST(Invoke, NoKindIsAnInvalidArgument)
{
    Root root;
    EXPECT_EQ(root.Invoke(1, static_cast<InvokeKind>(0), {}).hr, E_INVALIDARG);
}

TEST(Invoke, InheritedMembersWorkThroughTheDerivedIdentifier)
{
    GrandChild object;
    EXPECT_EQ(Put(object, 0x20001, Variant::I4(5)).hr, S_OK);
    EXPECT_EQ(Get(object, 0x20001).result, Variant::I4(5));
    EXPECT_EQ(Call(object, 0x10001, {Variant::I4(4)}).result, Variant::I4(8));
}

TEST(Invoke, DispatchExceptionCarriesItsInformation)
{
    Root root;
    const InvokeResult r = Call(root, 7, {});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.code, 0x1234);
    EXPECT_EQ(r.excep.description, "it failed");
    EXPECT_EQ(r.excep.source, "Root");
    EXPECT_EQ(r.excep.helpContext, 7u);
    EXPECT_EQ(r.excep.scode, S_OK);
    EXPECT_EQ(r.result, Variant());
}

TEST(Invoke, OtherExceptionsNeverEscape)
{
    Root root;
    InvokeResult r = Call(root, 8, {});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.scode, E_UNEXPECTED);
    EXPECT_EQ(r.excep.description, "broken");
    r = Call(root, 9, {});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.scode, E_OUTOFMEMORY);
}
