// Signatures through WinVerifyTrust: the one embedded in the file first,
// then the system's catalogs, where Windows keeps the signatures of its own
// files. Nothing is shown to the user and no revocation list is fetched: a
// list of startup programs must not wait on the network.
#include "FileSignature.h"

#include "Files.h"
#include "ProgramManifest.h"
#include "Sha256.h"
#include "UniqueHandle_win.h"
#include "WideText_win.h"

#include <windows.h>
// In this order: the lean Windows header leaves the cryptography out, and
// the catalog header needs both before it.
#include <wincrypt.h>

#include <wintrust.h>

#include <mscat.h>
#include <softpub.h>

#include <cwchar>
#include <iterator>
#include <vector>

namespace {

// WINTRUST_CATALOG_INFO as Windows 8 and later read it: a SHA-256 catalog
// member is verified only with the catalog administrator it was found with.
struct TCatalogInfo8 : WINTRUST_CATALOG_INFO {
    HCATADMIN CatAdmin;
};

// The drivers' and system files' catalogs ({F750E6C3-38EE-11D1-85E5-00C04FC295EE}).
const GUID DriverActionVerify = {
    0xf750e6c3, 0x38ee, 0x11d1, {0x85, 0xe5, 0x00, 0xc0, 0x4f, 0xc2, 0x95, 0xee}};

using AcquireContext2Fn = BOOL(WINAPI*)(HCATADMIN*, const GUID*, PCWSTR, PCCERT_STRONG_SIGN_PARA,
                                        DWORD);
using CalcHash2Fn = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);

// Windows 8 added the SHA-256 catalog functions; Windows 7 has SHA-1 only.
template <class F> F wintrustFunction(const char* name) {
    HMODULE module = GetModuleHandleW(L"wintrust.dll");
    FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
}

CRYPT_PROVIDER_SGNR* signerData(HANDLE stateData) {
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(stateData);
    return provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
}

std::string signerOf(CRYPT_PROVIDER_SGNR* signer) {
    CRYPT_PROVIDER_CERT* cert = signer ? WTHelperGetProvCertFromChain(signer, 0) : nullptr;
    if (!cert || !cert->pCert)
        return {};
    wchar_t name[256] = {};
    if (CertGetNameStringW(cert->pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name,
                           static_cast<DWORD>(std::size(name))) <= 1)
        return {};
    return FromWide(name);
}

// What the signer's chain says of its end, as WinVerifyTrust should have:
// Wine's accepts a chain that ends in no trusted root.
LONG chainStatus(CRYPT_PROVIDER_SGNR* signer) {
    if (!signer || !signer->pChainContext)
        return ERROR_SUCCESS;
    const DWORD errors = signer->pChainContext->TrustStatus.dwErrorStatus;
    if (errors & CERT_TRUST_IS_UNTRUSTED_ROOT)
        return CERT_E_UNTRUSTEDROOT;
    if (errors & CERT_TRUST_IS_PARTIAL_CHAIN)
        return CERT_E_CHAINING;
    return ERROR_SUCCESS;
}

// One WinVerifyTrust call with its state kept long enough to read the signer.
LONG verify(WINTRUST_DATA& data, std::string& signer) {
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL | WTD_REVOCATION_CHECK_NONE;
    LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    if (data.hWVTStateData) {
        CRYPT_PROVIDER_SGNR* signed_ = signerData(data.hWVTStateData);
        signer = signerOf(signed_);
        if (status == ERROR_SUCCESS)
            status = chainStatus(signed_);
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return status;
}

bool noSignature(LONG status) {
    return status == TRUST_E_NOSIGNATURE || status == TRUST_E_SUBJECT_FORM_UNKNOWN ||
           status == TRUST_E_PROVIDER_UNKNOWN;
}

TSignatureState stateOf(LONG status) {
    if (status == ERROR_SUCCESS)
        return TSignatureState::Verified;
    if (status == CERT_E_UNTRUSTEDROOT || status == CERT_E_CHAINING)
        return TSignatureState::Untrusted;
    if (noSignature(status))
        return TSignatureState::Unsigned;
    // TRUST_E_BAD_DIGEST, and every other way a signature can be broken.
    return TSignatureState::Tampered;
}

// The signature the system's catalogs hold for the file: Unsigned when
// none names it.
TSignatureState catalogSignature(const std::wstring& path, std::string& signer) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return TSignatureState::Unsigned;
    static const auto acquire2 =
        wintrustFunction<AcquireContext2Fn>("CryptCATAdminAcquireContext2");
    static const auto calcHash2 =
        wintrustFunction<CalcHash2Fn>("CryptCATAdminCalcHashFromFileHandle2");
    const bool sha256 = acquire2 && calcHash2;
    HCATADMIN admin = nullptr;
    if (sha256 ? !acquire2(&admin, &DriverActionVerify, L"SHA256", nullptr, 0)
               : !CryptCATAdminAcquireContext(&admin, &DriverActionVerify, 0))
        return TSignatureState::Unsigned;
    std::vector<BYTE> hash(64);
    DWORD size = static_cast<DWORD>(hash.size());
    const BOOL hashed =
        sha256 ? calcHash2(admin, file.get(), &size, hash.data(), 0)
               : CryptCATAdminCalcHashFromFileHandle(file.get(), &size, hash.data(), 0);
    TSignatureState state = TSignatureState::Unsigned;
    HCATINFO catalog =
        hashed ? CryptCATAdminEnumCatalogFromHash(admin, hash.data(), size, 0, nullptr) : nullptr;
    if (catalog) {
        CATALOG_INFO info{};
        info.cbStruct = sizeof info;
        if (CryptCATCatalogInfoFromContext(catalog, &info, 0)) {
            std::wstring tag;
            for (DWORD i = 0; i < size; ++i) {
                wchar_t digits[3];
                std::swprintf(digits, 3, L"%02X", hash[i]);
                tag += digits;
            }
            TCatalogInfo8 member{};
            member.cbStruct = sha256 ? sizeof(TCatalogInfo8) : sizeof(WINTRUST_CATALOG_INFO);
            member.pcwszCatalogFilePath = info.wszCatalogFile;
            member.pcwszMemberTag = tag.c_str();
            member.pcwszMemberFilePath = path.c_str();
            member.hMemberFile = file.get();
            member.pbCalculatedFileHash = hash.data();
            member.cbCalculatedFileHash = size;
            member.CatAdmin = admin;
            WINTRUST_DATA data{};
            data.dwUnionChoice = WTD_CHOICE_CATALOG;
            data.pCatalog = &member;
            state = stateOf(verify(data, signer));
        }
        CryptCATAdminReleaseCatalogContext(admin, catalog, 0);
    }
    CryptCATAdminReleaseContext(admin, 0);
    return state;
}

// Whether the system keeps any catalog at all (Wine keeps none): asked once.
bool systemHasCatalogs() {
    static const bool has = [] {
        std::wstring pattern;
        ToWide(SystemFolder(), pattern);
        pattern += L"\\CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\*.cat";
        WIN32_FIND_DATAW data;
        UniqueFind find(FindFirstFileW(pattern.c_str(), &data));
        return static_cast<bool>(find);
    }();
    return has;
}

bool inWindowsFolder(const std::wstring& path) {
    wchar_t windows[MAX_PATH];
    const UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || path.size() <= n)
        return false;
    return CompareStringOrdinal(path.c_str(), static_cast<int>(n), windows, static_cast<int>(n),
                                TRUE) == CSTR_EQUAL &&
           path[n] == L'\\';
}

std::string versionString(const std::vector<BYTE>& block, const wchar_t* translation,
                          const wchar_t* name) {
    std::wstring query = L"\\StringFileInfo\\";
    query += translation;
    query += L"\\";
    query += name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || !value || length == 0)
        return {};
    std::wstring text(static_cast<const wchar_t*>(value));
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\0'))
        text.pop_back();
    return FromWide(text);
}

void readVersionResource(const std::wstring& path, TFileSignature& signature) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        return;
    std::vector<std::wstring> translations;
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) && value) {
        const WORD* pairs = static_cast<const WORD*>(value);
        for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
            wchar_t text[9];
            std::swprintf(text, 9, L"%04x%04x", pairs[i], pairs[i + 1]);
            translations.push_back(text);
        }
    }
    // What resource compilers write when no translation is given.
    for (const wchar_t* usual : {L"040904b0", L"040904e4", L"04090000"})
        translations.push_back(usual);
    for (const std::wstring& translation : translations) {
        if (signature.Company.empty())
            signature.Company = versionString(block, translation.c_str(), L"CompanyName");
        if (signature.FileVersion.empty())
            signature.FileVersion = versionString(block, translation.c_str(), L"FileVersion");
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    if (signature.FileVersion.empty() &&
        VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed &&
        fixed->dwSignature == 0xFEEF04BD)
        signature.FileVersion = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionLS));
}

} // namespace

TFileSignature CheckFileSignature(const std::string& path, const std::atomic<bool>* stop) {
    TFileSignature signature;
    std::wstring wide;
    if (!ToWide(path, wide) || wide.empty())
        return signature;
    auto stopped = [stop] { return stop && stop->load(); };
    if (stopped())
        return signature;

    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = wide.c_str();
    WINTRUST_DATA data{};
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    const LONG status = verify(data, signature.Signer);
    signature.State = stateOf(status);
    if (noSignature(status) && !stopped()) {
        signature.Signer.clear();
        signature.State = catalogSignature(wide, signature.Signer);
        if (signature.State == TSignatureState::Unsigned && !systemHasCatalogs() &&
            inWindowsFolder(wide))
            signature.State = TSignatureState::Unknown;
    }
    if (stopped())
        return TFileSignature{};
    readVersionResource(wide, signature);
    signature.Sha256 = FileSha256(path, stop);
    if (stopped())
        return TFileSignature{};
    signature.AsksForAdministrator = AsksForAdministrator(path);
    return signature;
}
