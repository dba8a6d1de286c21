// Ctrl-C / SIGTERM / SIGHUP during a game: the handlers only raise a flag, which the
// waiting loops of the server check, so that engines are stopped and the
// record is closed properly before the program ends.
#pragma once

namespace curling::server {

// Installs SIGINT, SIGTERM and SIGHUP handlers that raise the flag, and ignores
// SIGPIPE (a write to a dead engine then fails with EPIPE instead).
void InstallSignalHandlers();

bool InterruptRequested();

}  // namespace curling::server
