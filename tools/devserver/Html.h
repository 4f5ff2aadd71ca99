#pragma once

#include <string>

namespace httplib {
struct Response;
}

namespace hfp::devserver {

// A small HTML page beginning "<!DOCTYPE html>", as real web servers send for errors.
std::string HtmlPage(int status, const std::string& title, const std::string& message);

// 404 with an HTML page, the answer to every path that names nothing served here.
void SendNotFound(httplib::Response& res);

}  // namespace hfp::devserver
