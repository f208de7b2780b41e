#pragma once
// The Consult command: the rating server's answer (or Morvane's own list's)
// for the rows as the entry list shows them, in its current order; the
// 30-second rule between two exchanges with a server; and a close asked for
// while it waits, which comes once it is over. While it waits it lets the
// window's messages run; the window refuses meanwhile the commands that
// would move the rows (it asks Consulting). What it shows on the window is
// the window's, through the callbacks.

#include <windows.h>

#include <cstdint>
#include <functional>

class TEntryList;

class TConsultCommand {
public:
    // Whether a consultation may start now (the window decides for every
    // command, a second Consult included).
    std::function<bool()> MayStart;
    // A consultation starts: the busy indication and the side pane's page.
    std::function<void()> OnStart;
    // It is over, answered or not: the busy indication stops and the list
    // shows what its entries now say.
    std::function<void()> OnEnd;
    // The window the messages belong to; it is closed once a consultation
    // ends if it was asked to close meanwhile.
    HWND Owner = nullptr;

    // The answers are for list's rows.
    explicit TConsultCommand(const TEntryList& list) : list_(list) {}
    TConsultCommand(const TConsultCommand&) = delete;
    TConsultCommand& operator=(const TConsultCommand&) = delete;

    void btnConsultClick();
    // The exchange itself; raises on every failure.
    void ConsultServer();

    // The tick count of the last successful consultation; HasConsulted is
    // false until one succeeded in this run.
    uint32_t LastConsultTick = 0;
    bool HasConsulted = false;
    // True while a consultation waits on the server.
    bool Consulting() const { return consulting_; }
    // The window is asked to close: true while a consultation still holds
    // the rows and their entries, and the close then comes at its end.
    bool PostponeClose();

private:
    const TEntryList& list_;
    bool consulting_ = false;
    bool closeAfterConsult_ = false;
};
