// The Consult command: the 30-second rule, the hourglass while it waits, and
// the exchange with the rating server over the rows as the list shows them.

#include "ConsultCommand.h"

#include "EntryList.h"
#include "UiSeam.h"
#include "online/Consult.h"

#include <exception>
#include <string>

namespace {

const char* const ConsultWaitMessage =
    "You have just already retrieved from Morvane web server,In order to keep Morvane web "
    "server efficient, you need to wait at least 30 seconds for another consult.";
const char* const FailureMessage =
    "Failed to retrieve programs information from Morvane server, please try again later.";
constexpr uint32_t ConsultInterval = 30000;

// The rows through the list, so that the answer reaches the entries of the
// rows as shown, in the list's current order.
class TListRows : public TConsultRows {
public:
    explicit TListRows(const TEntryList& list) : list_(list) {}
    int Count() const override { return list_.RowCount(); }
    TStartup* Entry(int row) const override { return list_.RowEntry(row); }

private:
    const TEntryList& list_;
};

} // namespace

void TConsultCommand::btnConsultClick() {
    // A second Consult while one waits is refused: the first one's rows
    // must stay as they are until its answer is applied.
    if (MayStart && !MayStart())
        return;
    // Modulo 2^32: the tick count wraps after 49.7 days. Morvane's own list
    // answers without asking anyone, as often as it is asked.
    const bool server = ReadConsultSettings().HasServer();
    if (server && HasConsulted && UiSeam().TickCount() - LastConsultTick < ConsultInterval) {
        UiSeam().ShowMessageBox(Owner, ConsultWaitMessage, ApplicationTitle, MB_OK);
        return;
    }
    if (OnStart)
        OnStart();
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    consulting_ = true;
    std::string failure;
    bool succeeded = false;
    try {
        ConsultServer();
        succeeded = true;
    } catch (const EConsultError& e) {
        // The reader's own words (in its own language) go below the failure.
        failure = e.what();
        if (!e.Detail.empty())
            failure += "\n\n" + e.Detail;
    } catch (const std::exception& e) {
        failure = e.what();
    } catch (...) {
        failure = "unexpected failure";
    }
    consulting_ = false;
    if (succeeded && server) {
        LastConsultTick = UiSeam().TickCount();
        HasConsulted = true;
    } else if (!succeeded) {
        UiSeam().ShowMessageBox(Owner, std::string(FailureMessage) + "\n" + failure,
                                ApplicationTitle, MB_OK);
    }
    SetCursor(previous ? previous : LoadCursor(nullptr, IDC_ARROW));
    if (OnEnd)
        OnEnd();
    if (closeAfterConsult_ && IsWindow(Owner)) {
        closeAfterConsult_ = false;
        PostMessageA(Owner, WM_CLOSE, 0, 0);
    }
}

void TConsultCommand::ConsultServer() {
    TConsultOptions options;
    options.Settings = ReadConsultSettings();
    options.Pump = [] { UiSeam().ProcessMessages(); };
    Consult(TListRows(list_), options);
}

bool TConsultCommand::PostponeClose() {
    if (consulting_)
        closeAfterConsult_ = true;
    return consulting_;
}
