#pragma once
// TfrmOptions: the options window. Its "Connections" page chooses the
// rating server (the built-in one or one the user added) and the proxy the
// consultation goes through, and stores both per user.

#include "Layout.h"
#include "ScopedWin.h"
#include "Window.h"

#include <string>
#include <vector>

class TfrmOptions : public TWindow {
public:
    enum : int {
        idPages = 3001,
        idServers = 3002,
        idNewServer = 3003,
        idAddServer = 3004,
        idRemoveServer = 3005,
        idAuto = 3006,
        idSystemProxy = 3007,
        idEnableProxy = 3008,
        idProxyAddress = 3009,
        idProxyPort = 3010,
        idProxyPortSpin = 3011,
        idWatch = 3012,
    };

    explicit TfrmOptions(HWND owner);
    TfrmOptions(const TfrmOptions&) = delete;
    TfrmOptions& operator=(const TfrmOptions&) = delete;

    // Shows the window modally; IDOK when the settings were stored.
    int Execute();

    HWND Handle() const { return Hwnd(); }
    HWND Control(int id) const { return GetDlgItem(Hwnd(), id); }

    // The page's content, as shown.
    std::vector<std::string> ServerAddresses() const;
    int CheckedServer() const;
    // The commands of the page's buttons.
    void btnAddServerClick();
    void btnRemoveServerClick();
    void btnAutoClick();
    void btnOkClick();
    void CheckServer(int row);

private:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void CreateControls();
    void Load();
    void AddServerRow(const std::string& name, const std::string& address, bool checked);
    void ProxyControlsChanged();
    void Refuse(const std::string& text);

    HWND owner_;
    TDpi dpi_;
    TFont font_;
    TFont hintFont_;
    int modalResult_ = 0;
    int ownCheck_ = 0;
    // The address of each row of the server list, in row order.
    std::vector<std::string> addresses_;
};

// Opens the options window over the owner; IDOK when the user stored new
// settings.
int ShowOptionsDialog(HWND owner);
