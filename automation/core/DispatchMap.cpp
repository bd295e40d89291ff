#include "automation/core/DispatchMap.h"

#include <algorithm>

#include "automation/core/EqualsIgnoringCase.h"

DispatchMap::DispatchMap(const DispatchMap* base, std::vector<Member> members)
    : base_(base), members_(std::move(members))
{
    if (members_.size() > kMaxMembers)
        throw std::logic_error("dispatch map: more than 65535 members");
    for (std::size_t i = 0; i < members_.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (EqualsIgnoringCase(members_[i].name, members_[j].name))
                throw std::logic_error("dispatch map: member " + members_[i].name + " declared twice");
        }
    }
}

std::optional<std::int32_t> DispatchMap::FindDispId(std::string_view name) const
{
    std::int32_t depth = 0;
    for (const DispatchMap* map = this; map; map = map->base_, ++depth) {
        const auto& members = map->members_;
        const auto found = std::find_if(members.begin(), members.end(),
                                        [&](const Member& m) { return EqualsIgnoringCase(m.name, name); });
        if (found != members.end())
            return MakeDispId(depth, static_cast<std::int32_t>(found - members.begin()) + 1);
    }
    return std::nullopt;
}

const DispatchMap::Member* DispatchMap::FindMember(std::int32_t dispid) const
{
    if (dispid <= 0)
        return nullptr;
    const std::int32_t position = dispid & 0xFFFF;
    const DispatchMap* map = this;
    for (std::int32_t depth = dispid >> 16; map && depth > 0; --depth)
        map = map->base_;
    if (!map || position < 1 || static_cast<std::size_t>(position) > map->members_.size())
        return nullptr;
    return &map->members_[static_cast<std::size_t>(position) - 1];
}
