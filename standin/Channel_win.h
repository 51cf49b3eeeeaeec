#pragma once
// The console channel as servers of this family serve it: wait for the parent event, take the text
// of a code-2 request (one line), write 1 at offset 0, set the child event.
#include "standin/StandinProtocol.h"

#include <string>

namespace standin {

using LineSink = void (*)(const std::string& line);
// Starts the reader thread when the channel is on; each request's first line goes to `sink`.
void StartChannel(const ServerArgs& args, LineSink sink);

} // namespace standin
