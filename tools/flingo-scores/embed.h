// SPDX-License-Identifier: MIT
// The score service inside another program (the game, when no score server is configured):
// the SQLite store and the pages answering on 127.0.0.1 at a free port, from a thread of its own.
#pragma once

#include <string>

namespace scores_server {

struct Embedded;

// Listening when it returns; null with a message in *err (when given) otherwise.
Embedded* startEmbedded(const std::string& sqlitePath, std::string* err);
int port(Embedded* server);
void stop(Embedded* server); // waits for the server's threads and frees it; null is fine

} // namespace scores_server
