#include "RatingServer.h"

#include "core/system/FormCoding.h"
#include "core/system/TextEscape.h"
#include "core/system/TextScan.h"
#include "online/RatingProtocol.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

// "t[12]" gives 't' and 12; false for any other name.
bool RowField(const std::string& name, char& kind, int& index, bool& badIndex) {
    badIndex = false;
    if (name.size() < 3 || (name[0] != TitleField && name[0] != FileField) || name[1] != '[' ||
        name.back() != ']')
        return false;
    kind = name[0];
    badIndex = !ParseDigits(std::string_view(name).substr(2, name.size() - 3), 9, index);
    return true;
}

std::string HtmlEscape(const std::string& text) {
    return Escaped(text, TEscape::Html);
}

std::string Page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"ISO-8859-1\"><title>" + HtmlEscape(title) +
           "</title><style>body{font-family:Verdana,sans-serif;font-size:10pt;margin:1em}"
           "th{text-align:left}td,th{padding:2px 8px}</style></head><body><h1>" +
           HtmlEscape(title) + "</h1>\n" + body + "\n</body></html>\n";
}

std::string ContributeForm(const std::string& title, const std::string& file) {
    std::string options;
    for (int i = 0; i < RatingCount; ++i)
        options += "<option value=\"" + std::to_string(i) + "\">" + RatingName(i) + "</option>";
    return Page("Contribute information",
                "<p>Tell us what this program is. We read every contribution before it is "
                "published.</p>\n"
                "<form method=\"post\" action=\"/mvo/contribute1.php\">\n"
                "<p>Name: <input name=\"t\" size=\"40\" value=\"" +
                    HtmlEscape(title) +
                    "\"></p>\n"
                    "<p>Program file: <input name=\"e\" size=\"40\" value=\"" +
                    HtmlEscape(file) +
                    "\"></p>\n"
                    "<p>Rating: <select name=\"rating\"><option value=\"\">-</option>" +
                    options +
                    "</select></p>\n"
                    "<p>Comment:<br><textarea name=\"comment\" rows=\"6\" cols=\"60\">"
                    "</textarea></p>\n"
                    "<p><input type=\"submit\" value=\"Send\"></p>\n</form>");
}

// The query of the target as sent, decoded strictly (the library's own
// decoding forgives broken escapes).
std::map<std::string, std::string> QueryOf(const httplib::Request& req,
                                           const TServerLimits& limits) {
    size_t q = req.target.find('?');
    if (q == std::string::npos)
        return {};
    std::string query = req.target.substr(q + 1);
    if (query.size() > limits.MaxFieldBytes * 4)
        throw EBadRequest(414, "the query is too long");
    return DecodeForm(query, 16);
}

void CheckField(const std::string& name, const std::string& value, size_t max) {
    if (value.size() > max)
        throw EBadRequest(400, "the field \"" + name + "\" is longer than " + std::to_string(max) +
                                   " bytes");
    for (unsigned char c : value)
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n')
            throw EBadRequest(400, "the field \"" + name + "\" holds control characters");
}

std::string Now() {
    std::time_t t = std::time(nullptr);
    char text[32];
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &t);
#else
    gmtime_r(&t, &tm);
#endif
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

} // namespace

std::map<std::string, std::string> DecodeForm(const std::string& text, size_t maxFields) {
    TFormDecoding form = DecodeFormBody(text, maxFields);
    if (form.Fault == TFormDecoding::TFault::TooManyFields)
        throw EBadRequest(413, "more than " + std::to_string(maxFields) + " fields");
    if (form.Fault == TFormDecoding::TFault::BrokenEscape)
        throw EBadRequest(400, "broken percent-encoding at \"" + form.Broken + "\"");
    std::map<std::string, std::string> fields;
    for (auto& [name, value] : form.Fields)
        fields[name] = std::move(value);
    return fields;
}

std::map<int, TRequestRow> RequestRows(const std::string& body, const TServerLimits& limits) {
    std::map<std::string, std::string> fields =
        DecodeForm(body, static_cast<size_t>(limits.MaxRows) * 2 + 16);
    std::map<int, TRequestRow> rows;
    for (const auto& [name, value] : fields) {
        char kind = 0;
        int index = 0;
        bool badIndex = false;
        if (!RowField(name, kind, index, badIndex))
            continue;
        if (badIndex)
            throw EBadRequest(400,
                              "the row index of \"" + name.substr(0, 40) + "\" is not a number");
        if (index >= limits.MaxRows)
            throw EBadRequest(413, "more than " + std::to_string(limits.MaxRows) + " rows");
        CheckField(name, value, limits.MaxFieldBytes);
        TRequestRow& row = rows[index];
        (kind == TitleField ? row.Title : row.File) = value;
    }
    if (rows.size() > static_cast<size_t>(limits.MaxRows))
        throw EBadRequest(413, "more than " + std::to_string(limits.MaxRows) + " rows");
    return rows;
}

std::string AnswerXml(TRatingStore& store, const std::map<int, TRequestRow>& rows) {
    std::vector<std::pair<std::string, std::string>> keys;
    keys.reserve(rows.size());
    for (const auto& [index, row] : rows)
        keys.emplace_back(row.File, row.Title);
    std::vector<std::optional<TProgram>> found = store.LookupAll(keys);
    // No whitespace between the items: the client reads every child of the
    // root as an item.
    std::string xml = std::string("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<") +
                      AnswerRootElement + ">";
    size_t i = 0;
    for (const auto& [index, row] : rows) {
        const std::optional<TProgram>& p = found[i++];
        if (!p)
            continue;
        xml += std::string("<") + AnswerItemElement + " " + AnswerRowAttribute + "=\"" +
               std::to_string(index) + "\" " + AnswerRatingAttribute + "=\"" +
               std::to_string(p->Rating) + "\">" + Escaped(p->Comment, TEscape::XmlText) + "</" +
               AnswerItemElement + ">";
    }
    xml += std::string("</") + AnswerRootElement + ">\n";
    return xml;
}

void InstallRatingService(httplib::Server& server, TRatingStore& store, const TServerLimits& limits,
                          std::function<void(const std::string&)> log) {
    server.set_payload_max_length(limits.MaxBodyBytes);
    server.set_read_timeout(10, 0);
    server.set_write_timeout(10, 0);
    server.set_keep_alive_max_count(20);

    // Every handler runs inside this guard: a refused request gets its
    // status and reason as plain text.
    auto guarded = [&store, limits](auto body) {
        return [&store, limits, body](const httplib::Request& req, httplib::Response& res) {
            try {
                body(req, res, store, limits);
            } catch (const EBadRequest& e) {
                res.status = e.Status;
                res.set_content(std::string(e.what()) + "\n", "text/plain");
            } catch (const EStoreError& e) {
                res.status = 500;
                res.set_content("the database failed\n", "text/plain");
            }
        };
    };

    // A POST without Content-Length (Morvane leaves it out for an empty list)
    // would have the library wait for the connection to close: its body is
    // empty.
    server.set_pre_routing_handler([&store](const httplib::Request& req, httplib::Response& res) {
        if (req.method != "POST" || req.has_header("Content-Length") ||
            req.has_header("Transfer-Encoding"))
            return httplib::Server::HandlerResponse::Unhandled;
        if (req.path == ConsultPath) {
            res.set_content(AnswerXml(store, {}), "text/xml; charset=ISO-8859-1");
            res.set_header("Connection", "close");
        } else {
            res.status = 411;
            res.set_content("a body with Content-Length is needed\n", "text/plain");
        }
        return httplib::Server::HandlerResponse::Handled;
    });

    // The posted forms are read through a content reader: the library's own
    // reading of a form body refuses anything over 8 KB with 413 (a
    // consultation of a few hundred rows), and decodes it forgivingly. The
    // body limit still holds, checked by the library and again here.
    auto posted = [&store, limits](auto body) {
        return [&store, limits, body](const httplib::Request& req, httplib::Response& res,
                                      const httplib::ContentReader& reader) {
            std::string content;
            bool tooLarge = false;
            bool read = reader([&](const char* data, size_t length) {
                if (content.size() + length > limits.MaxBodyBytes) {
                    tooLarge = true;
                    return false;
                }
                content.append(data, length);
                return true;
            });
            try {
                if (tooLarge || res.status == 413)
                    throw EBadRequest(413, "the body is larger than " +
                                               std::to_string(limits.MaxBodyBytes) + " bytes");
                if (!read)
                    throw EBadRequest(400, "the body could not be read");
                body(req, res, store, limits, content);
            } catch (const EBadRequest& e) {
                res.status = e.Status;
                res.set_content(std::string(e.what()) + "\n", "text/plain");
            } catch (const EStoreError&) {
                res.status = 500;
                res.set_content("the database failed\n", "text/plain");
            }
        };
    };

    server.Post(ConsultPath,
                posted([](const httplib::Request&, httplib::Response& res, TRatingStore& db,
                          const TServerLimits& l, const std::string& body) {
                    auto start = std::chrono::steady_clock::now();
                    std::map<int, TRequestRow> rows = RequestRows(body, l);
                    res.set_content(AnswerXml(db, rows), "text/xml; charset=ISO-8859-1");
                    // The decoding and the lookups, for the log and for
                    // whoever measures the exchange from outside.
                    double ms = std::chrono::duration<double, std::milli>(
                                    std::chrono::steady_clock::now() - start)
                                    .count();
                    char timing[48];
                    std::snprintf(timing, sizeof timing, "lookup;dur=%.1f", ms);
                    res.set_header("Server-Timing", timing);
                }));

    auto form = guarded([](const httplib::Request& req, httplib::Response& res, TRatingStore&,
                           const TServerLimits& l) {
        auto q = QueryOf(req, l);
        CheckField("t", q["t"], l.MaxFieldBytes);
        CheckField("e", q["e"], l.MaxFieldBytes);
        res.set_content(ContributeForm(q["t"], q["e"]), "text/html; charset=ISO-8859-1");
    });
    server.Get("/contribute2.php", form);
    server.Get("/mvo/contribute1.php", form);

    auto submit = posted([](const httplib::Request& req, httplib::Response& res, TRatingStore& db,
                            const TServerLimits& l, const std::string& body) {
        auto f = DecodeForm(body, 16);
        TContribution c;
        c.Title = f["t"];
        c.File = f["e"];
        c.Comment = f["comment"];
        c.Remote = req.remote_addr;
        CheckField("t", c.Title, l.MaxFieldBytes);
        CheckField("e", c.File, l.MaxFieldBytes);
        CheckField("comment", c.Comment, l.MaxCommentBytes);
        if (c.Title.empty() && c.File.empty())
            throw EBadRequest(400, "give the program's name or its file");
        const std::string& r = f["rating"];
        if (!r.empty()) {
            if (r.size() != 1 || !RatingInScale(r[0] - '0'))
                throw EBadRequest(400, "the rating is a number from 0 to 4");
            c.Rating = r[0] - '0';
        }
        db.AddContribution(c);
        res.set_content(Page("Thank you", "<p>Your information about <b>" +
                                              HtmlEscape(c.Title.empty() ? c.File : c.Title) +
                                              "</b> was received and waits for review.</p>"),
                        "text/html; charset=ISO-8859-1");
    });
    server.Post("/mvo/contribute1.php", submit);
    server.Post("/contribute2.php", submit);

    server.Get("/mvo", guarded([](const httplib::Request&, httplib::Response& res, TRatingStore& db,
                                  const TServerLimits&) {
                   std::string rows = "<table><tr><th>Program file</th><th>Name</th>"
                                      "<th>Rating</th></tr>\n";
                   for (const TProgram& p : db.Programs())
                       rows += "<tr><td><a href=\"/mvo/program/" + std::to_string(p.Id) + "\">" +
                               HtmlEscape(p.File) + "</a></td><td>" +
                               HtmlEscape(p.Titles.empty() ? "" : p.Titles[0]) + "</td><td>" +
                               RatingName(p.Rating) + "</td></tr>\n";
                   rows += "</table><p><a href=\"/mvo/contribute1.php\">Contribute "
                           "information</a></p>";
                   res.set_content(Page("Morvane Online", rows), "text/html; charset=ISO-8859-1");
               }));
    server.Get("/",
               [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/mvo"); });
    server.Get(R"(/mvo/program/(\d{1,12}))",
               guarded([](const httplib::Request& req, httplib::Response& res, TRatingStore& db,
                          const TServerLimits&) {
                   auto p = db.Program(std::stoll(req.matches[1].str()));
                   if (!p)
                       throw EBadRequest(404, "no such program");
                   std::string titles;
                   for (const std::string& t : p->Titles)
                       titles += (titles.empty() ? "" : ", ") + HtmlEscape(t);
                   res.set_content(Page(p->File, "<p>Known as: " + titles +
                                                     "</p>\n<p>Rating: " + RatingName(p->Rating) +
                                                     "</p>\n<p>" + HtmlEscape(p->Comment) + "</p>"),
                                   "text/html; charset=ISO-8859-1");
               }));

    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty())
            res.set_content("HTTP " + std::to_string(res.status) + "\n", "text/plain");
    });
    server.set_logger([log](const httplib::Request& req, const httplib::Response& res) {
        std::string path = req.path.substr(0, 200);
        for (char& c : path)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                c = '?';
        std::string line = Now() + " " + req.remote_addr + " " + req.method.substr(0, 10) + " " +
                           path + " " + std::to_string(res.status) + " in=" +
                           (req.body.empty() && req.has_header("Content-Length")
                                ? req.get_header_value("Content-Length").substr(0, 12)
                                : std::to_string(req.body.size())) +
                           " out=" + std::to_string(res.body.size());
        std::string timing = res.get_header_value("Server-Timing");
        if (timing.rfind("lookup;dur=", 0) == 0)
            line += " lookup_ms=" + timing.substr(11);
        if (log)
            log(line);
    });
}
