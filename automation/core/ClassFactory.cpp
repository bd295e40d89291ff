#include "automation/core/ClassFactory.h"

#include <cctype>
#include <exception>
#include <new>
#include <stdexcept>

#include "automation/core/Dispatchable.h"

ClassFactory::ClassFactory(std::string progId, std::string_view classId, Creator create)
    : progId_(std::move(progId)), create_(std::move(create))
{
    const auto canonical = CanonicalClassId(classId);
    if (!canonical || progId_.empty() || !create_)
        throw std::invalid_argument("ClassFactory: invalid ProgID, class id or creator");
    classId_ = *canonical;
}

HRESULT ClassFactory::CreateInstance(std::shared_ptr<Dispatchable>& object) const
{
    try {
        auto created = create_();
        if (!created)
            return CO_E_SERVER_EXEC_FAILURE;
        object = std::move(created);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return CO_E_SERVER_EXEC_FAILURE;
    }
}

std::optional<std::string> ClassFactory::CanonicalClassId(std::string_view text)
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36)
        return std::nullopt;
    std::string canonical = "{";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool dashPlace = i == 8 || i == 13 || i == 18 || i == 23;
        if (dashPlace ? c != '-' : !std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        canonical += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return canonical + "}";
}
