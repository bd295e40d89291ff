#include "monitor/app/VarnixClassTable.h"

#include "automation/core/EqualsIgnoringCase.h"
#include "monitor/app/CVarnixDoc.h"
#include "monitor/app/VarnixSharedClasses.h"  // made from boards.cmake

#include <memory>

namespace {

template <class T>
ClassFactory::Creator Creates()
{
    return [] { return std::make_shared<T>(); };
}

}  // namespace

const std::vector<VarnixClassTable::Row>& VarnixClassTable::Rows()
{
    using enum Instancing;
    static const std::vector<Row> rows = [] {
        std::vector<Row> table;
        VarnixSharedClasses::ForEach([&table]<class Class>() {
            table.push_back({ClassFactory(Class::kProgId, Class::kClassId, Creates<Class>()), Class::kProgId, SharedServer});
        });
        table.push_back({ClassFactory(CVarnixDoc::kProgId, CVarnixDoc::kClassId, Creates<CVarnixDoc>()), CVarnixDoc::kTypeName, ProcessPerObject});
        return table;
    }();
    return rows;
}

const VarnixClassTable::Row* VarnixClassTable::Find(const std::string& progId)
{
    for (const Row& row : Rows())
        if (EqualsIgnoringCase(row.factory.progId(), progId)) return &row;
    return nullptr;
}
