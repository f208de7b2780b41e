#pragma once
// Who made a program file, as far as the file proves it: its Authenticode
// signature (embedded in the file, else in the system's catalogs), the
// maker and version its version resource claims, and its SHA-256.

#include <atomic>
#include <cstdint>
#include <string>

enum class TSignatureState : std::uint8_t {
    Unchecked, // not looked at yet
    Verified,  // valid, and its chain ends in a trusted root
    Untrusted, // valid, but its chain ends nowhere trusted (CERT_E_UNTRUSTEDROOT, CERT_E_CHAINING)
    Tampered,  // a signature that no longer matches the file, or is broken
    Unsigned,
    Unknown, // the system keeps no signatures for it (Windows' own files under Wine)
};

struct TFileSignature {
    TSignatureState State = TSignatureState::Unchecked;
    // The signer's name (of a verified or an untrusted signature).
    std::string Signer;
    // CompanyName and FileVersion of the version resource, as the file claims them.
    std::string Company;
    std::string FileVersion;
    // Lower-case hexadecimal; empty when the file could not be read.
    std::string Sha256;
    // Its embedded manifest asks for administrator rights (requireAdministrator).
    bool AsksForAdministrator = false;

    bool operator==(const TFileSignature&) const = default;
};

// What a script reads: "verified", "untrusted", "tampered", "unsigned",
// "unknown" ("unchecked" for a state not looked at).
const char* SignatureStateName(TSignatureState state);
// The state of a name above; false for any other text.
bool SignatureStateFromName(const std::string& name, TSignatureState& state);
// What a user reads: "verified", "signed, not trusted", "tampered",
// "not signed", "no signature information", "checking".
const char* SignatureStateText(TSignatureState state);

// Checks one file: signature, version resource, hash and the rights its
// manifest asks for. It may take a
// while (a catalog search, a large file), so it belongs off a window's
// thread; `stop` cuts it short, and the result is then Unchecked.
TFileSignature CheckFileSignature(const std::string& path, const std::atomic<bool>* stop = nullptr);
