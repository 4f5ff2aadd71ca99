#include "devserver/Html.h"

#include <httplib.h>

namespace hfp::devserver {

std::string HtmlPage(int status, const std::string& title, const std::string& message) {
    std::string heading = status == 200 ? title : std::to_string(status) + " " + title;
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head><meta charset=\"utf-8\"><title>" + heading +
           "</title></head>\n<body>\n<h1>" + heading + "</h1>\n<p>" + message +
           "</p>\n</body>\n</html>\n";
}

void SendNotFound(httplib::Response& res) {
    res.status = 404;
    res.set_content(HtmlPage(404, "Not Found", "The requested URL was not found on this server."),
                    "text/html; charset=utf-8");
}

}  // namespace hfp::devserver
