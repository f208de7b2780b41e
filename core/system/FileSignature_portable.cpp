// The portable build has no signatures to verify and no version resources
// to read: every file is Unknown, with its real hash. What it cannot model:
// everything WinVerifyTrust and the catalogs answer (tested under Wine).
#include "FileSignature.h"

#include "ProgramManifest.h"
#include "Sha256.h"

TFileSignature CheckFileSignature(const std::string& path, const std::atomic<bool>* stop) {
    TFileSignature signature;
    signature.Sha256 = FileSha256(path, stop);
    if (stop && *stop)
        return TFileSignature{};
    signature.State = TSignatureState::Unknown;
    signature.AsksForAdministrator = AsksForAdministrator(path);
    return signature;
}
