#include "ShellLink.h"
#include "ShellLink_win.h"

#include "Errors.h"
#include "FaultInjection.h"
#include "WideText_win.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "ComPtr_win.h"

#include <utility>
#include <vector>

namespace {

HWND shellOwner = nullptr;

// COM for the calling thread, from its first link until the thread ends.
class ComApartment {
public:
    ComApartment() : result_(CoInitialize(nullptr)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

void EnsureCom() {
    thread_local ComApartment apartment;
}

// A path or text that is not UTF-8 cannot reach the shell unchanged.
std::wstring Widen(const std::string& text, const char* error) {
    std::wstring wide;
    if (!ToWide(text, wide))
        throw EShortcutError(error);
    return wide;
}

struct LinkObject {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
};

bool CreateShellLink(LinkObject& object) {
    EnsureCom();
    return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, object.link.PutVoid())) &&
           SUCCEEDED(object.link->QueryInterface(IID_IPersistFile, object.file.PutVoid()));
}

// Links hold texts far longer than MAX_PATH (arguments above all); a buffer
// of that size would cut them, and the next apply would write them back cut.
// The getters cut a text to the buffer without telling its length, so a
// text that fills the buffer is read again with a larger one; one that
// fills the largest cannot be read whole, which is an error, not a cut.
constexpr int kFirstBufferChars = 32768;
constexpr int kLargestBufferChars = 1 << 22;

template <class Getter> std::string ReadText(Getter getter, const char* error) {
    for (int size = kFirstBufferChars;; size *= 8) {
        std::vector<wchar_t> buffer(static_cast<std::size_t>(size), L'\0');
        if (FAILED(getter(buffer.data(), size)))
            throw EShortcutError(error);
        buffer.back() = L'\0';
        std::wstring_view text(buffer.data());
        if (text.size() + 1 < static_cast<std::size_t>(size))
            return FromWide(text);
        if (size >= kLargestBufferChars)
            throw EShortcutError(error);
    }
}

} // namespace

void SetShellLinkOwner(HWND owner) {
    shellOwner = owner;
}

bool ShellLinkLoad(const std::string& path, ShellLinkData& data) {
    LinkObject object;
    if (!CreateShellLink(object) ||
        FAILED(object.file->Load(Widen(path, "Unable to open link file").c_str(), STGM_READ)))
        throw EShortcutError("Unable to open link file");
    IShellLinkW* link = object.link.Get();
    // Resolve only updates a link whose target moved; one whose target is
    // gone (or lies on a drive that is not there) still holds its target and
    // the rest, and is read as it is, so that it keeps its own command line.
    link->Resolve(shellOwner, SLR_ANY_MATCH | SLR_NO_UI);

    ShellLinkData read;
    read.WorkingDir =
        ReadText([&](wchar_t* buffer, int size) { return link->GetWorkingDirectory(buffer, size); },
                 "Error in getting WorkingDir");
    read.Target =
        ReadText([&](wchar_t* buffer,
                     int size) { return link->GetPath(buffer, size, nullptr, SLGP_UNCPRIORITY); },
                 "Error in getting Target");
    int iconNumber = 0;
    read.IconLocation = ReadText(
        [&](wchar_t* buffer, int size) { return link->GetIconLocation(buffer, size, &iconNumber); },
        "Error in getting icon data");
    read.IconNumber = iconNumber;
    read.Description =
        ReadText([&](wchar_t* buffer, int size) { return link->GetDescription(buffer, size); },
                 "Error in get Description");
    int showCode = 0;
    if (FAILED(link->GetShowCmd(&showCode)))
        throw EShortcutError("Error in getting ShowCmd");
    read.ShowCode = showCode;
    WORD hotKey = 0;
    if (FAILED(link->GetHotkey(&hotKey)))
        throw EShortcutError("Error in geting HotKey");
    read.HotKey = hotKey;
    read.Arguments =
        ReadText([&](wchar_t* buffer, int size) { return link->GetArguments(buffer, size); },
                 "Error in getting Arguments");
    data = std::move(read);
    return true;
}

void ShellLinkSave(const std::string& path, const ShellLinkData& data) {
    LinkObject object;
    if (!CreateShellLink(object))
        throw EShortcutError("Unable to create .lnk file");
    IShellLinkW* link = object.link.Get();
    // A setter that fails would leave the file without that property, which
    // must not pass for a saved shortcut. Empty texts are what a new link
    // object holds already, so they need no call that could be refused.
    auto setText = [](const std::string& text, auto setter) {
        std::wstring wide;
        return text.empty() || (ToWide(text, wide) && SUCCEEDED(setter(wide.c_str())));
    };
    std::wstring icon;
    bool set =
        setText(data.Target, [&](const wchar_t* t) { return link->SetPath(t); }) &&
        setText(data.WorkingDir, [&](const wchar_t* t) { return link->SetWorkingDirectory(t); }) &&
        setText(data.Arguments, [&](const wchar_t* t) { return link->SetArguments(t); }) &&
        setText(data.Description, [&](const wchar_t* t) { return link->SetDescription(t); }) &&
        SUCCEEDED(link->SetShowCmd(data.ShowCode)) &&
        (data.HotKey == 0 || SUCCEEDED(link->SetHotkey(data.HotKey))) &&
        ((data.IconLocation.empty() && data.IconNumber == 0) ||
         (ToWide(data.IconLocation, icon) &&
          SUCCEEDED(link->SetIconLocation(icon.c_str(), data.IconNumber))));
    if (!set || !fault_injection::AllowChange() ||
        FAILED(object.file->Save(Widen(path, "Unable to create .lnk file").c_str(), TRUE)))
        throw EShortcutError("Unable to create .lnk file");
}
