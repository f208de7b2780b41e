// The side pane and its page.

#include "SidePane.h"

#include "ControlCalls.h"
#include "UiSeam.h"
#include "WebLinks.h"
#include "online/RatingProtocol.h"
#include "template/HtmlText.h"

#include <string>

namespace {

std::string AdsPageLines() {
    std::string page =
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
        "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
        "<!-- saved from url=(0014)about:internet -->\r\n"
        "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n"
        "<head>\r\n"
        "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\" />\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\" />\r\n"
        "<title>Untitled Document</title>\r\n"
        "<style type=\"text/css\">\r\n"
        "body { margin-left: 0px; margin-top: 0px; margin-right: 0px; margin-bottom: 0px; "
        "font-family: \"Segoe UI\", Tahoma, Verdana, Arial, sans-serif; font-size: 11px; "
        "color: #1e2833; background: #eef1f5; }\r\n"
        ".box { margin: 6px 5px; padding: 7px 7px 8px 7px; background: #ffffff; border: 1px "
        "solid #cfd6df; border-radius: 5px; line-height: 1.4; }\r\n"
        "h1 { font-size: 12px; color: #183b63; margin: 0 0 5px 0; }\r\n"
        "p { margin: 0 0 6px 0; }\r\n"
        ".scale { margin: 2px 0 6px 0; padding: 0; list-style: none; }\r\n"
        ".scale li { padding: 1px 0; }\r\n"
        ".dot { display: inline-block; width: 8px; height: 8px; margin-right: 4px; "
        "background: #b3261e; border-radius: 2px; }\r\n"
        ".hint { color: #66727f; }\r\n"
        "</style>\r\n"
        "</head>\r\n"
        "<body>\r\n";
    if (*AdsScriptUrl) {
        page += "<script type=\"text/javascript\" charset=\"ISO-8859-1\" src=\"" +
                HtmlEscape(AdsScriptUrl) + "\"></script>\r\n";
    } else {
        page += "<div class=\"box\">\r\n"
                "<h1>Ratings</h1>\r\n"
                "<p>Consult asks a rating server what each startup program is. It sends "
                "only the title and program file of each entry.</p>\r\n"
                "<ul class=\"scale\">\r\n";
        for (const TRatingWords& rating : RatingNames)
            page += std::string("<li><span class=\"dot\"></span>") + rating.Name + "</li>\r\n";
        page += "</ul>\r\n"
                "<p>Click an entry to read what the server said about it.</p>\r\n"
                "<p class=\"hint\">You can run a rating server of your own and enter its "
                "address in the options of More Tasks.</p>\r\n"
                "</div>\r\n";
    }
    page += "</body>\r\n</html>\r\n";
    return page;
}

} // namespace

void TSidePane::Create(HWND parent, int id, const char* paneClass) {
    EmbeddedWB1 = CreateChildControl(parent, id, paneClass, "", WS_VISIBLE | WS_CLIPCHILDREN);
    // The page's text goes in when it is first shown: a multi-line edit
    // control lays out its text as it gets it, which would hold up the
    // window's first paint.
    tmpAds = CreateWindowExA(0, "EDIT", "",
                             WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 0, 0, 10, 10,
                             parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    TWebViewOptions side;
    side.NoBorder = true;
    side.NoScrollBars = true;
    side.BrowserLater = true;
    EmbeddedWB1View.Attach(EmbeddedWB1, side);
    EmbeddedWB1View.OnOpenLink = [](const std::string& address) { UiSeam().OpenAddress(address); };
}

void TSidePane::ShowAdsPage() {
    if (GetWindowTextLengthA(tmpAds) == 0)
        SetWindowTextA(tmpAds, AdsPageLines().c_str());
    int length = GetWindowTextLengthA(tmpAds);
    std::string page(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(tmpAds, &page[0], length + 1);
    page.resize(static_cast<size_t>(length));
    EmbeddedWB1View.ShowHtml(page);
}
