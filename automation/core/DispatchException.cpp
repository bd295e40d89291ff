#include "automation/core/DispatchException.h"

DispatchException::DispatchException(std::uint16_t code, std::string description,
                                     std::string source, std::uint32_t helpContext)
{
    info_.code = code;
    info_.description = std::move(description);
    info_.source = std::move(source);
    info_.helpContext = helpContext;
}

DispatchException DispatchException::ReadOnly()
{
    return DispatchException(kReadOnlyCode, kReadOnlyText);
}

DispatchException DispatchException::WriteOnly()
{
    return DispatchException(kWriteOnlyCode, kWriteOnlyText);
}
