#include "FileSignature.h"

#include <iterator>

namespace {

struct TStateNames {
    TSignatureState State;
    const char* Name;
    const char* Text;
};

constexpr TStateNames StateNames[] = {
    {TSignatureState::Unchecked, "unchecked", "checking"},
    {TSignatureState::Verified, "verified", "verified"},
    {TSignatureState::Untrusted, "untrusted", "signed, not trusted"},
    {TSignatureState::Tampered, "tampered", "tampered"},
    {TSignatureState::Unsigned, "unsigned", "not signed"},
    {TSignatureState::Unknown, "unknown", "no signature information"},
};

} // namespace

const char* SignatureStateName(TSignatureState state) {
    for (const TStateNames& names : StateNames)
        if (names.State == state)
            return names.Name;
    return "unchecked";
}

const char* SignatureStateText(TSignatureState state) {
    for (const TStateNames& names : StateNames)
        if (names.State == state)
            return names.Text;
    return "checking";
}

bool SignatureStateFromName(const std::string& name, TSignatureState& state) {
    for (const TStateNames& names : StateNames)
        if (name == names.Name) {
            state = names.State;
            return true;
        }
    return false;
}
