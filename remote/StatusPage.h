#pragma once
// The status page served at "/": one HTML file with its style and script, no outside assets. It holds
// no data: it asks the API with the token the operator types, kept in the tab's sessionStorage only.
#include <string_view>

namespace brv::remote {

std::string_view StatusPageHtml();

} // namespace brv::remote
