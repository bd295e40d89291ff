#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "automation/core/VarType.h"
#include "automation/core/Variant.h"

class Dispatchable;

// The automation members of one class, chained to the map of its base class.
//
// Dispatch identifiers are never written down: a member's identifier is
// (depth << 16) + position, where position is its 1-based place in the map
// of the class that declares it and depth the number of class levels from
// the called object's class (depth 0) up to that class. So an inherited
// member has a different identifier on each derived class, and the order of
// the entries in a map is part of the contract with clients.
//
// Each automation class declares its map like this (members in contract
// order; the base class named as the second template argument, omitted at
// the root):
//
//     // Ad21xx.h
//     class Ad21xx : public Device {
//     public:
//         static const DispatchMap& Map();
//         const DispatchMap& GetDispatchMap() const override { return Map(); }
//         Variant ReadDM(std::int32_t address, std::int32_t count,
//                        std::int32_t format, std::int32_t extra);
//         Variant WriteDM(std::int32_t address, const Variant& data,
//                         std::int32_t format, std::int32_t extra);
//         ...
//     };
//
//     // Ad21xx.cpp
//     const DispatchMap& Ad21xx::Map()
//     {
//         static const DispatchMap map = DispatchMap::Builder<Ad21xx, Device>()
//             .Method("ReadDM", &Ad21xx::ReadDM)      // position 1: 0x10001 on Ez2181
//             .Method("WriteDM", &Ad21xx::WriteDM)    // position 2
//             ...
//             .Build();
//         return map;
//     }
//
// Properties come in three kinds (Sport's map):
//
//     .Property("EndianMode", &Sport::GetEndianMode, &Sport::SetEndianMode)
//     .WriteOnlyProperty("DTR", &Sport::SetDTR)
//     .ReadOnlyProperty("Input", &Sport::GetInput)
//
// Parameter and value types follow from the C++ signatures:
//     std::int32_t -> VT_I4 (long)      std::int16_t -> VT_I2 (short)
//     bool -> VT_BOOL                   std::uint8_t -> VT_UI1
//     float -> VT_R4                    double -> VT_R8
//     std::string -> VT_BSTR            Variant -> VT_VARIANT (any value)
// Parameters may be taken by value or by const reference (a `Variant&` one
// may be changed; the change stays inside the call). Methods usually return
// Variant; any of the types above (or void, giving VT_EMPTY) may be returned.
// A property getter is `T Get() [const]`, a setter `void Set(T)`, with the
// same T. Member functions of a base class may be named too; a class with
// members of its own must also override GetDispatchMap(), or its objects
// answer with the base class's map (and its numbers).
//
// Dispatchable::Invoke converts every argument to its declared type with the
// standard conversion (ChangeType) before the member runs, so members never
// see an argument of another type; VT_VARIANT parameters get the argument as
// the client gave it.
//
// `.Method(name, fn, {VT_I4, VT_VARIANT, ...})` states the parameter types
// as well, checked against the signature. An overloaded member function is
// picked with static_cast<Variant (Cls::*)(std::int32_t)>(&Cls::Name). A mismatch, a repeated name
// (ignoring case) or more than 65535 entries is a programming error: the
// builder throws std::logic_error, so the first test that touches the class
// shows it.
class DispatchMap {
public:
    enum class MemberKind { Method,
                            Property };

    struct Member {
        std::string name;
        MemberKind kind = MemberKind::Method;
        // Method: result type (VT_VARIANT for Variant, VT_EMPTY for void).
        // Property: the value type.
        VarType type = VT_EMPTY;
        std::vector<VarType> params;                                        // method parameters, in order
        std::function<Variant(Dispatchable&, std::vector<Variant>&)> call;  // method
        std::function<Variant(Dispatchable&)> get;                          // property; empty: write-only
        std::function<void(Dispatchable&, Variant&)> put;                   // property; empty: read-only
    };

    static constexpr std::size_t kMaxMembers = 0xFFFF;

    static constexpr std::int32_t MakeDispId(std::int32_t depth, std::int32_t position)
    {
        return (depth << 16) + position;
    }

    const DispatchMap* base() const { return base_; }
    const std::vector<Member>& members() const { return members_; }

    // Identifier of `name` compared without regard to case: own members
    // first, then each base map in turn; the first match wins.
    std::optional<std::int32_t> FindDispId(std::string_view name) const;
    // The member an identifier stands for, or nullptr.
    const Member* FindMember(std::int32_t dispid) const;

    template <class C, class Base = void>
    class Builder;

private:
    DispatchMap(const DispatchMap* base, std::vector<Member> members);

    const DispatchMap* base_;
    std::vector<Member> members_;
};

namespace dispatch_detail {

template <class T>
struct ValueTraits {
    static_assert(sizeof(T) == 0,
                  "automation members take and return std::int32_t, std::int16_t, bool, "
                  "std::uint8_t, float, double, std::string or Variant");
};

template <>
struct ValueTraits<std::int32_t> {
    static constexpr VarType type = VT_I4;
    static std::int32_t From(const Variant& v) { return v.i4(); }
    static Variant To(std::int32_t x) { return Variant::I4(x); }
};
template <>
struct ValueTraits<std::int16_t> {
    static constexpr VarType type = VT_I2;
    static std::int16_t From(const Variant& v) { return v.i2(); }
    static Variant To(std::int16_t x) { return Variant::I2(x); }
};
template <>
struct ValueTraits<bool> {
    static constexpr VarType type = VT_BOOL;
    static bool From(const Variant& v) { return v.boolVal(); }
    static Variant To(bool x) { return Variant::Bool(x); }
};
template <>
struct ValueTraits<std::uint8_t> {
    static constexpr VarType type = VT_UI1;
    static std::uint8_t From(const Variant& v) { return v.ui1(); }
    static Variant To(std::uint8_t x) { return Variant::UI1(x); }
};
template <>
struct ValueTraits<float> {
    static constexpr VarType type = VT_R4;
    static float From(const Variant& v) { return v.r4(); }
    static Variant To(float x) { return Variant::R4(x); }
};
template <>
struct ValueTraits<double> {
    static constexpr VarType type = VT_R8;
    static double From(const Variant& v) { return v.r8(); }
    static Variant To(double x) { return Variant::R8(x); }
};
template <>
struct ValueTraits<std::string> {
    static constexpr VarType type = VT_BSTR;
    static const std::string& From(const Variant& v) { return v.bstr(); }
    static Variant To(std::string x) { return Variant::Bstr(std::move(x)); }
};
template <>
struct ValueTraits<Variant> {
    static constexpr VarType type = VT_VARIANT;
    static Variant& From(Variant& v) { return v; }
    static Variant To(Variant x) { return x; }
};

template <class T>
using Traits = ValueTraits<std::remove_cvref_t<T>>;

template <class R>
constexpr VarType ResultType()
{
    if constexpr (std::is_void_v<R>)
        return VT_EMPTY;
    else
        return Traits<R>::type;
}

// Class, result and parameters of a pointer to member function.
template <class F>
struct MemberFn;
template <class K, class R, class... A>
struct MemberFn<R (K::*)(A...)> {
    using Class = K;
    using Result = R;
    using Params = std::tuple<A...>;
};
template <class K, class R, class... A>
struct MemberFn<R (K::*)(A...) const> : MemberFn<R (K::*)(A...)> {};
template <class K, class R, class... A>
struct MemberFn<R (K::*)(A...) noexcept> : MemberFn<R (K::*)(A...)> {};
template <class K, class R, class... A>
struct MemberFn<R (K::*)(A...) const noexcept> : MemberFn<R (K::*)(A...)> {};

template <class C, class F, std::size_t... I>
Variant CallMember(C& self, F fn, std::vector<Variant>& args, std::index_sequence<I...>)
{
    using Params = typename MemberFn<F>::Params;
    using R = typename MemberFn<F>::Result;
    if constexpr (std::is_void_v<R>) {
        (self.*fn)(Traits<std::tuple_element_t<I, Params>>::From(args[I])...);
        return Variant();
    } else {
        return Traits<R>::To((self.*fn)(Traits<std::tuple_element_t<I, Params>>::From(args[I])...));
    }
}

template <class Tuple, std::size_t... I>
std::vector<VarType> ParamTypes(std::index_sequence<I...>)
{
    return {Traits<std::tuple_element_t<I, Tuple>>::type...};
}

}  // namespace dispatch_detail

template <class C, class Base>
class DispatchMap::Builder {
    static_assert(std::is_void_v<Base> || (std::is_base_of_v<Base, C> && !std::is_same_v<Base, C>),
                  "the second template argument must be the base class whose map this one extends");

public:
    Builder() = default;

    template <class F>
    Builder& Method(std::string name, F fn)
    {
        using Fn = dispatch_detail::MemberFn<F>;
        static_assert(std::is_base_of_v<typename Fn::Class, C>, "member of another class");
        constexpr std::size_t arity = std::tuple_size_v<typename Fn::Params>;
        Member member;
        member.name = std::move(name);
        member.kind = MemberKind::Method;
        member.type = dispatch_detail::ResultType<typename Fn::Result>();
        member.params = dispatch_detail::ParamTypes<typename Fn::Params>(std::make_index_sequence<arity>());
        member.call = [fn](Dispatchable& self, std::vector<Variant>& args) {
            return dispatch_detail::CallMember(static_cast<C&>(self), fn, args,
                                               std::make_index_sequence<arity>());
        };
        members_.push_back(std::move(member));
        return *this;
    }

    template <class F>
    Builder& Method(std::string name, F fn, std::initializer_list<VarType> declared)
    {
        Method(std::move(name), fn);
        if (members_.back().params != std::vector<VarType>(declared))
            throw std::logic_error("dispatch map: declared parameter types of " + members_.back().name + " differ from its signature");
        return *this;
    }

    template <class G, class S>
    Builder& Property(std::string name, G getter, S setter)
    {
        using Get = dispatch_detail::MemberFn<G>;
        using Set = dispatch_detail::MemberFn<S>;
        static_assert(std::tuple_size_v<typename Set::Params> == 1, "a setter takes one value");
        static_assert(std::is_same_v<std::remove_cvref_t<typename Get::Result>,
                                     std::remove_cvref_t<std::tuple_element_t<0, typename Set::Params>>>,
                      "getter and setter of a property must use the same type");
        members_.push_back(MakeProperty(std::move(name), getter, setter));
        return *this;
    }

    template <class G>
    Builder& ReadOnlyProperty(std::string name, G getter)
    {
        members_.push_back(MakeProperty(std::move(name), getter, nullptr));
        return *this;
    }

    template <class S>
    Builder& WriteOnlyProperty(std::string name, S setter)
    {
        members_.push_back(MakeProperty(std::move(name), nullptr, setter));
        return *this;
    }

    DispatchMap Build()
    {
        const DispatchMap* base = nullptr;
        if constexpr (!std::is_void_v<Base>)
            base = &Base::Map();
        return DispatchMap(base, std::move(members_));
    }

private:
    template <class G, class S>
    static Member MakeProperty(std::string name, G getter, S setter)
    {
        Member member;
        member.name = std::move(name);
        member.kind = MemberKind::Property;
        if constexpr (!std::is_null_pointer_v<G>) {
            using Get = dispatch_detail::MemberFn<G>;
            static_assert(std::is_base_of_v<typename Get::Class, C>, "member of another class");
            static_assert(std::tuple_size_v<typename Get::Params> == 0, "a getter takes no value");
            member.type = dispatch_detail::Traits<typename Get::Result>::type;
            member.get = [getter](Dispatchable& self) {
                return dispatch_detail::Traits<typename Get::Result>::To((static_cast<C&>(self).*getter)());
            };
        }
        if constexpr (!std::is_null_pointer_v<S>) {
            using Set = dispatch_detail::MemberFn<S>;
            using T = std::tuple_element_t<0, typename Set::Params>;
            static_assert(std::is_base_of_v<typename Set::Class, C>, "member of another class");
            member.type = dispatch_detail::Traits<T>::type;
            member.put = [setter](Dispatchable& self, Variant& value) {
                (static_cast<C&>(self).*setter)(dispatch_detail::Traits<T>::From(value));
            };
        }
        return member;
    }

    std::vector<Member> members_;
};
