// The parts of the registry access that are the same on every platform.
#include "Registry.h"

#include "Errors.h"

std::string TRegKey::TextOf(const RegListedValue& value) const {
    if (!value.HasData)
        return ReadText(value.Name);
    if (value.Data.empty())
        return {};
    if (value.Type != regSz && value.Type != regExpandSz)
        throw ERegistryError(FormatMessage1("Invalid data type for '%s'", value.Name));
    return value.Data.substr(0, value.Data.find('\0'));
}
