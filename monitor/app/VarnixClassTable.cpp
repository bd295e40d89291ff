#include "monitor/app/VarnixClassTable.h"

#include "automation/core/EqualsIgnoringCase.h"
#include "monitor/app/CVarnixDoc.h"
#include "monitor/boards/Ez2181.h"
#include "monitor/boards/Ezkit21k.h"
#include "monitor/boards/Faderbox.h"
#include "monitor/boards/FourWire21xx.h"
#include "monitor/serial/Sport.h"

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
    static const std::vector<Row> rows = {
        {ClassFactory(Ez2181::kProgId, Ez2181::kClassId, Creates<Ez2181>()), Ez2181::kProgId, SharedServer},
        {ClassFactory(Sport::kProgId, Sport::kClassId, Creates<Sport>()), Sport::kProgId, SharedServer},
        {ClassFactory(Ezkit21k::kProgId, Ezkit21k::kClassId, Creates<Ezkit21k>()), Ezkit21k::kProgId, SharedServer},
        {ClassFactory(Faderbox::kProgId, Faderbox::kClassId, Creates<Faderbox>()), Faderbox::kProgId, SharedServer},
        {ClassFactory(FourWire21xx::kProgId, FourWire21xx::kClassId, Creates<FourWire21xx>()), FourWire21xx::kProgId, SharedServer},
        {ClassFactory(CVarnixDoc::kProgId, CVarnixDoc::kClassId, Creates<CVarnixDoc>()), CVarnixDoc::kTypeName, ProcessPerObject},
    };
    return rows;
}

const VarnixClassTable::Row* VarnixClassTable::Find(const std::string& progId)
{
    for (const Row& row : Rows())
        if (EqualsIgnoringCase(row.factory.progId(), progId)) return &row;
    return nullptr;
}
