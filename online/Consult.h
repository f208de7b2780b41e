#pragma once
// The consultation of the rating server, written once for the window, the
// command-line tool and the tests: the request list from the rows, the two
// temporary files, the exchange, and the answer applied row by row. The
// front ends only frame it (busy indication, messages).

#include "core/system/Errors.h"
#include "core/system/StringList.h"
#include "online/HttpClient.h"
#include "online/xml/XXmlDom.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

class TStartup;

// A failed consultation; the message says why in a few words (for the second
// line of the window's message and for standard error). Detail, when there
// is one, is what the part that failed said in its own words (the XML
// reader's message, in its own language), for a line of its own.
class EConsultError : public EMorvaneError {
public:
    explicit EConsultError(const std::string& message, std::string detail = {})
        : EMorvaneError(message), Detail(std::move(detail)) {}
    std::string Detail;
};

// Per-user settings under HKCU "Software\Morvane".
struct TConsultSettings {
    // "RatingServer": http://host[:port]; empty: no server, Morvane's own
    // catalogue answers.
    std::string Server;
    // "RatingProxy": "system" (the "Internet Settings" proxy), "none", or
    // host:port.
    std::string Proxy = "system";

    bool HasServer() const { return !Server.empty(); }
};
TConsultSettings ReadConsultSettings();
bool WriteConsultSettings(const TConsultSettings& settings);
// "RatingServers": the servers the user added, for the options window.
std::vector<std::string> ReadUserServers();
bool WriteUserServers(const std::vector<std::string>& servers);

// Whether a "RatingProxy" text is one of the three forms; reason says why not.
bool ValidProxyChoice(const std::string& choice, std::string* reason = nullptr);

// The proxy that "Internet Settings" names for plain HTTP to this host:
// empty when "ProxyEnable" is 0 (or missing), when "ProxyServer" names none,
// or when "ProxyOverride" exempts the host.
THostPort SystemProxyFor(const std::string& host);
// The proxy for this host by the user's "RatingProxy" choice; raises
// EConsultError for a choice that is none of the three forms.
THostPort ChooseProxy(const std::string& choice, const std::string& host);

// The rows of the list the answer refers to, by position as shown.
class TConsultRows {
public:
    virtual ~TConsultRows() = default;
    virtual int Count() const = 0;
    virtual TStartup* Entry(int row) const = 0;
};

// The rows of a plain list of entries.
class TEntryRows : public TConsultRows {
public:
    explicit TEntryRows(std::vector<TStartup*> entries) : entries_(std::move(entries)) {}
    int Count() const override { return static_cast<int>(entries_.size()); }
    TStartup* Entry(int row) const override {
        return row >= 0 && row < Count() ? entries_[static_cast<size_t>(row)] : nullptr;
    }

private:
    std::vector<TStartup*> entries_;
};

// The text after the last backslash or colon, or the whole path.
std::string ProgramFileName(const std::string& filePath);

// The file name a server is asked about: the program the entry starts (what
// its launcher runs), else the file name of its program path.
std::string RequestFileName(const TStartup& entry);

// t[i]=Title and e[i]=file name for every row, in row order; afterRow runs
// after each row.
TStringList BuildRequestList(const TConsultRows& rows, const std::function<void()>& afterRow);

// Reads the answer into a document; raises EConsultError naming the byte at
// which the answer stops being well formed, with the reader's message as its
// detail.
TRefPtr<TXmlDDocument> ParseAnswer(const std::string& answer);
// Applies every item of the answer's root element in document order, as
// the word of `source` (the server's address); returns how many items the
// answer has. An item that cannot be applied raises EConsultError; the items
// before it stay applied.
int ApplyAnswer(const TXmlDDocument& answer, const TConsultRows& rows, const std::string& source);

struct TConsultTimings {
    double BuildMs = 0;    // request list, temporary file and encoding
    double ExchangeMs = 0; // connection, request and answer
    double ParseMs = 0;    // the answer read into a tree
    double ApplyMs = 0;    // ratings and comments set on the entries
    std::size_t RequestBytes = 0;
    std::size_t AnswerBytes = 0;
    int Items = 0;
};

struct TConsultOptions {
    TConsultSettings Settings;
    THttpLimits Limits;
    // Runs after each row of the request list and after each slice of
    // waiting on the network (the window processes its messages there).
    std::function<void()> Pump;
    TConsultTimings* Timings = nullptr;
};

// One consultation. Every row first gets the catalogue's answer; with a
// server chosen, the server's answers then win for the rows it knows (but
// for a look-alike, which a server told only the file name cannot see).
// Raises EConsultError (with the reason) on every failure; the catalogue's
// answers stay.
void Consult(const TConsultRows& rows, const TConsultOptions& options);
