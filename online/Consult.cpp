#include "online/Consult.h"

#include "catalogue/Catalogue.h"
#include "core/startupRatings.h"
#include "core/startupUtil.h"
#include "core/system/AsciiCase.h"
#include "core/system/Files.h"
#include "core/system/Registry.h"
#include "core/system/TextCodec.h"
#include "core/system/TextScan.h"
#include "online/RatingProtocol.h"
#include "online/formencoder.h"

#include <chrono>
#include <cstring>

namespace {

const char* const InternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// "ProxyEnable" may be a DWORD or a text; anything unreadable counts as 0.
bool ProxyEnabled(const TRegKey& key) {
    RegValue value;
    if (!key.ReadValue("ProxyEnable", value))
        return false;
    if (value.Type == regDword) {
        uint32_t n = 0;
        if (value.Data.size() < sizeof n)
            return false;
        std::memcpy(&n, value.Data.data(), sizeof n);
        return n != 0;
    }
    if (value.Type == regSz || value.Type == regExpandSz) {
        int n = 0;
        return ParseInt32(value.Text, n) && n != 0;
    }
    return false;
}

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

std::string ParseErrorOf(const std::string& bytes) {
    try {
        auto doc = MakeRef<TXmlDDocument>();
        TMemoryByteStream in(bytes);
        doc->LoadFromStream(in);
        if (!doc->DocumentElement())
            return "no root element";
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

// The reader works on blocks and does not say where it stopped; the byte is
// found as the shortest start of the answer that fails the same way.
std::size_t FailingByte(const std::string& answer, const std::string& error) {
    std::size_t low = 0;
    std::size_t high = answer.size();
    while (low < high) {
        std::size_t mid = low + (high - low) / 2;
        if (ParseErrorOf(answer.substr(0, mid)) == error)
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

} // namespace

// ---------------------------------------------------------------------------
// Settings

TConsultSettings ReadConsultSettings() {
    TConsultSettings settings;
    std::string value;
    if (ReadUserSetting("", "RatingServer", value))
        settings.Server = value;
    if (ReadUserSetting("", "RatingProxy", value) && !value.empty())
        settings.Proxy = value;
    return settings;
}

bool WriteConsultSettings(const TConsultSettings& settings) {
    bool ok = WriteUserSetting("", "RatingServer", settings.Server);
    return WriteUserSetting("", "RatingProxy", settings.Proxy) && ok;
}

std::vector<std::string> ReadUserServers() {
    std::vector<std::string> servers;
    std::string value;
    if (!ReadUserSetting("", "RatingServers", value))
        return servers;
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = value.find(';', start);
        if (end == std::string::npos)
            end = value.size();
        std::string one = value.substr(start, end - start);
        if (!one.empty())
            servers.push_back(one);
        start = end + 1;
    }
    return servers;
}

bool WriteUserServers(const std::vector<std::string>& servers) {
    std::string value;
    for (const std::string& s : servers) {
        if (s.empty() || s.find(';') != std::string::npos)
            continue;
        value += (value.empty() ? "" : ";") + s;
    }
    return WriteUserSetting("", "RatingServers", value);
}

bool ValidProxyChoice(const std::string& choice, std::string* reason) {
    std::string c = asciiLower(choice);
    if (c.empty() || c == "system" || c == "none")
        return true;
    THostPort proxy;
    std::string why;
    if (choice.find(':') == std::string::npos) {
        if (reason)
            *reason = "a proxy is host:port, \"system\" or \"none\": " + choice;
        return false;
    }
    if (!ParseServerAddress(choice, proxy, &why) || choice.find("://") != std::string::npos) {
        if (reason)
            *reason = "a proxy is host:port, \"system\" or \"none\": " + choice;
        return false;
    }
    return true;
}

THostPort SystemProxyFor(const std::string& host) {
    TRegKey key;
    if (!key.Open(RegRoot::CurrentUser, InternetSettings, RegAccess::Read) || !ProxyEnabled(key))
        return {};
    RegValue server;
    if (!key.ReadValue("ProxyServer", server))
        return {};
    THostPort proxy = ParseProxyServer(server.Text);
    RegValue bypass;
    if (!proxy.Empty() && key.ReadValue("ProxyOverride", bypass) &&
        ProxyBypassed(bypass.Text, host))
        return {};
    return proxy;
}

THostPort ChooseProxy(const std::string& choice, const std::string& host) {
    std::string c = asciiLower(choice);
    if (c.empty() || c == "system")
        return SystemProxyFor(host);
    if (c == "none")
        return {};
    std::string reason;
    if (!ValidProxyChoice(choice, &reason))
        throw EConsultError(reason);
    THostPort proxy;
    ParseServerAddress(choice, proxy);
    return proxy;
}

// ---------------------------------------------------------------------------
// Request and answer

std::string ProgramFileName(const std::string& filePath) {
    std::size_t at = filePath.find_last_of("\\:");
    return at == std::string::npos ? filePath : filePath.substr(at + 1);
}

std::string RequestFileName(const TStartup& entry) {
    return entry.Verdict.Program.empty() ? ProgramFileName(entry.FilePath) : entry.Verdict.Program;
}

TStringList BuildRequestList(const TConsultRows& rows, const std::function<void()>& afterRow) {
    TStringList list;
    const int count = rows.Count();
    for (int i = 0; i < count; ++i) {
        const TStartup* entry = rows.Entry(i);
        list.Add(RowFieldName(TitleField, i) + "=" + (entry ? entry->Title : std::string()));
        list.Add(RowFieldName(FileField, i) + "=" + (entry ? RequestFileName(*entry) : std::string()));
        if (afterRow)
            afterRow();
    }
    return list;
}

TRefPtr<TXmlDDocument> ParseAnswer(const std::string& answer) {
    auto doc = MakeRef<TXmlDDocument>();
    try {
        TMemoryByteStream in(answer);
        doc->LoadFromStream(in);
    } catch (const std::exception& e) {
        const std::string error = e.what();
        throw EConsultError("the server's answer is not well-formed XML (at byte " +
                                std::to_string(FailingByte(answer, error)) + ")",
                            error);
    }
    if (!doc->DocumentElement())
        throw EConsultError(answer.empty() ? "the answer is empty"
                                           : "the answer has no root element");
    return doc;
}

int ApplyAnswer(const TXmlDDocument& answer, const TConsultRows& rows, const std::string& source) {
    TXmlDElement* root = answer.DocumentElement();
    if (!root)
        throw EConsultError("the answer has no root element");
    TXmlDNodeList* items = root->ChildNodes();
    const int count = items->Length();
    const int rowCount = rows.Count();
    for (int k = 0; k < count; ++k) {
        TXmlDNode* item = items->Item(k);
        const std::string where = "answer item " + std::to_string(k + 1);
        const std::string ratingText = item->GetAttribute(AnswerRatingAttribute, "");
        // The answer is single-byte text in the ANSI code page; a server
        // that sends UTF-8 instead is read as such.
        const std::string comment = Utf8OrAnsiToUtf8(item->Text());
        const std::string idxText = item->GetAttribute(AnswerRowAttribute, "");
        int idx = 0;
        if (idxText.empty())
            throw EConsultError(where + " has no \"idx\"");
        if (!ParseInt32(idxText, idx))
            throw EConsultError(where + ": \"idx\" is not a number: \"" + idxText + "\"");
        if (idx < 0 || idx >= rowCount)
            throw EConsultError(where + " names row " + idxText + ", but the list has " +
                                std::to_string(rowCount) + " rows");
        TStartup* entry = rows.Entry(idx);
        if (!entry)
            throw EConsultError(where + " names row " + idxText + ", which is gone");
        int rating = 0;
        if (ratingText.empty())
            throw EConsultError(where + " has no \"rating\"");
        if (!ParseInt32(ratingText, rating))
            throw EConsultError(where + ": \"rating\" is not a number: \"" + ratingText + "\"");
        if (entry->Verdict.LookAlike)
            continue;
        entry->SetRating(rating);
        entry->SetComment(comment);
        entry->SetDetailComment(comment);
        entry->Verdict.Source = source;
    }
    return count;
}

void Consult(const TConsultRows& rows, const TConsultOptions& options) {
    using Clock = std::chrono::steady_clock;
    TConsultTimings timings;
    for (int i = 0; i < rows.Count(); ++i)
        if (TStartup* entry = rows.Entry(i))
            RateFromCatalogue(*entry, TCatalogue::Builtin());
    if (!options.Settings.HasServer()) {
        if (options.Timings)
            *options.Timings = timings;
        return;
    }

    THttpPost post;
    std::string reason;
    const std::string address = options.Settings.Server;
    if (!ParseServerAddress(address, post.Server, &reason))
        throw EConsultError("the rating server address is wrong: " + reason);
    post.Proxy = ChooseProxy(options.Settings.Proxy, post.Server.Host);
    post.Path = ConsultPath;
    post.ContentType = "application/x-www-form-urlencoded";

    Clock::time_point start = Clock::now();
    TStringList list = BuildRequestList(rows, options.Pump);
    // The request list and, below, the answer are left in the temporary
    // folder as every version has left them, where a user or a support
    // request finds what was sent and received; the program never reads them.
    const std::string postFile = PathJoin(TempFolder(), "post.dat.tmp");
    if (!list.SaveToFile(postFile))
        throw EConsultError("cannot write " + postFile);
    post.Body = EncodeFormFields(list);
    timings.BuildMs = MsSince(start);
    timings.RequestBytes = post.Body.size();

    start = Clock::now();
    std::string answer;
    try {
        answer = HttpPost(post, options.Limits, options.Pump);
    } catch (const EHttpError& e) {
        std::string text = e.what();
        if (e.Kind == THttpFailure::Unreachable || e.Kind == THttpFailure::TimedOut)
            text = "the rating server " + address + " could not be reached: " + text;
        if (!post.Proxy.Empty())
            text += " (through the proxy " + post.Proxy.Text() + ")";
        throw EConsultError(text);
    }
    timings.ExchangeMs = MsSince(start);
    timings.AnswerBytes = answer.size();

    const std::string cacheFile = PathJoin(TempFolder(), "cache.xml.tmp");
    if (!WriteWholeFile(cacheFile, answer))
        throw EConsultError("cannot write " + cacheFile);

    start = Clock::now();
    TRefPtr<TXmlDDocument> doc = ParseAnswer(answer);
    timings.ParseMs = MsSince(start);

    start = Clock::now();
    try {
        timings.Items = ApplyAnswer(*doc, rows, address);
    } catch (...) {
        timings.ApplyMs = MsSince(start);
        if (options.Timings)
            *options.Timings = timings;
        throw;
    }
    timings.ApplyMs = MsSince(start);
    if (options.Timings)
        *options.Timings = timings;
}
